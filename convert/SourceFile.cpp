// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceFile.h"

#include "RegularFile.h"

#include <QFile>

#include <cstring>

SourceFile::SourceFile(const QString &path)
{
    OpenedRegularFile opened = OpenRegularFile(QFile::encodeName(path), Links::Follow);
    switch (opened.kind) {
    case EntryKind::Missing:
        m_refusal = QStringLiteral("the file cannot be found");
        return;
    case EntryKind::Unreachable:
        m_refusal
            = QStringLiteral("the file cannot be reached: %1").arg(QString::fromLocal8Bit(std::strerror(opened.error)));
        return;
    case EntryKind::RegularFile:
        break;
    default:
        m_refusal = EntryKindText(opened.kind);
        return;
    }
    if (!opened.file.isOpen()) {
        m_refusal
            = QStringLiteral("the file cannot be read: %1").arg(QString::fromLocal8Bit(std::strerror(opened.error)));
        return;
    }
    m_file = std::move(opened.file);
}

QString SourceFile::converterName() const
{
    return QStringLiteral("/proc/self/fd/%1").arg(m_file.get());
}
