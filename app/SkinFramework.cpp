// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SkinFramework.h"

#include "ResourceFile.h"
#include "RuntimeError.h"

#include <QApplication>
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

QString StyleSheetFault(const QString &text)
{
    int depth = 0;
    bool selectorSeen = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QChar(0))
            return QStringLiteral("it holds a NUL character");
        if (c == u'/' && i + 1 < text.size() && text.at(i + 1) == u'*') {
            const qsizetype end = text.indexOf(QStringLiteral("*/"), i + 2);
            if (end < 0)
                return QStringLiteral("a comment is not closed");
            i = end + 1;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            qsizetype j = i + 1;
            while (j < text.size() && text.at(j) != c && text.at(j) != u'\n')
                j += text.at(j) == u'\\' ? 2 : 1;
            if (j >= text.size() || text.at(j) != c)
                return QStringLiteral("a quoted text is not closed");
            i = j;
            continue;
        }
        if (c == u'{') {
            if (depth == 0 && !selectorSeen)
                return QStringLiteral("a block has no selector");
            ++depth;
            selectorSeen = false;
        } else if (c == u'}') {
            if (--depth < 0)
                return QStringLiteral("a closing brace has no opening one");
        } else if (depth == 0 && !c.isSpace()) {
            selectorSeen = true;
        }
    }
    if (depth != 0)
        return QStringLiteral("a block is not closed");
    return {};
}
