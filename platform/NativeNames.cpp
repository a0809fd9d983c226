// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "NativeNames.h"

#include "RuntimeError.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstring>

QByteArray NativePath(const QString &path)
{
    return QFile::encodeName(path);
}

QString NameFromNative(const char *name, bool &exact)
{
    const QByteArrayView bytes(name, qsizetype(std::strlen(name)));
    // Most names are plain ASCII, which reads the same in every encoding.
    if (std::all_of(bytes.begin(), bytes.end(), [](char byte) { return static_cast<unsigned char>(byte) < 0x80; })) {
        exact = true;
        return QString::fromLatin1(bytes);
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    exact = !decoder.hasError();
    if (decoder.hasError())
        text.replace(QChar(QChar::ReplacementCharacter), u'?');
    return text;
}

RuntimeError EntryError(int errorNumber, const QString &path)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(errorNumber));
    switch (errorNumber) {
    case ENOENT:
        return RuntimeError(RuntimeError::FileNotFound, QStringLiteral("File not found: %1 (%2)").arg(path, reason));
    case ENOTDIR:
        return RuntimeError(RuntimeError::PathNotFound, QStringLiteral("Path not found: %1 (%2)").arg(path, reason));
    case EACCES:
    case EPERM:
        return RuntimeError(
            RuntimeError::PermissionDenied, QStringLiteral("Permission denied: %1 (%2)").arg(path, reason));
    default:
        return RuntimeError(
            RuntimeError::PathFileAccessError, QStringLiteral("Path/File access error: %1 (%2)").arg(path, reason));
    }
}
