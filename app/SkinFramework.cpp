// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SkinFramework.h"

#include "ResourceFile.h"
#include "RuntimeError.h"
#include "StyleSheetText.h"

#include <QApplication>
#include <QFileInfo>
#include <QStringDecoder>
#include <QWidget>

SkinFramework::SkinFramework(QObject *parent)
    : QObject(parent)
{
}

SkinFramework::~SkinFramework()
{
    if (m_sheetBeforeDialogs)
        qApp->setStyleSheet(*m_sheetBeforeDialogs);
}

void SkinFramework::loadSkin(const QString &path, const QString &section)
{
    if (!section.isEmpty())
        throw RuntimeError(
            RuntimeError::InvalidArgument, QStringLiteral("A skin file holds one skin; no section %1").arg(section));
    const QByteArray bytes = ReadRegularFile(path, MaxSkinBytes);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw RuntimeError(RuntimeError::InvalidArgument, QStringLiteral("%1 is not UTF-8 text").arg(path));
    const QString fault = StyleSheetFault(text);
    if (!fault.isEmpty())
        throw RuntimeError(
            RuntimeError::InvalidArgument, QStringLiteral("%1 is not a usable skin: %2").arg(path, fault));
    for (const QString &address : StyleSheetAddresses(text)) {
        // An empty address names nothing; the program's own resources are in
        // memory and never wait.
        if (address.isEmpty() || address.startsWith(u':'))
            continue;
        const QString why = RegularFileFault(address, MaxSkinBytes);
        if (!why.isEmpty())
            throw RuntimeError(RuntimeError::PathFileAccessError,
                QStringLiteral("%1 names %2, which %3").arg(path, QFileInfo(address).absoluteFilePath(), why));
    }
    m_skinFile = path;
    m_styleSheet = text;
    m_loaded = true;
}

void SkinFramework::applyWindow(QWidget &window)
{
    if (!m_loaded)
        throw RuntimeError(RuntimeError::InvalidArgument, QStringLiteral("No skin is loaded"));
    if (m_dressesDialogs) {
        if (!m_sheetBeforeDialogs)
            m_sheetBeforeDialogs = qApp->styleSheet();
        qApp->setStyleSheet(m_styleSheet);
    }
    if (m_applyOptions & ApplyToWindow)
        window.setStyleSheet(m_styleSheet);
    if (m_polishesAtOnce) {
        window.ensurePolished();
        const QList<QWidget *> controls = window.findChildren<QWidget *>();
        for (QWidget *control : controls)
            control->ensurePolished();
    }
    m_applied = true;
}
