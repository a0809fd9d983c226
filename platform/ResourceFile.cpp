// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResourceFile.h"

#include "FileDescriptor.h"
#include "RuntimeError.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

RuntimeError accessError(const QString &path, const QString &why)
{
    return RuntimeError(RuntimeError::PathFileAccessError, QStringLiteral("%1: %2").arg(path, why));
}

// O_NONBLOCK: should a FIFO take the file's place after any earlier check,
// opening it still returns at once, and the caller's fstat turns it away.
int openWithoutWaiting(const QString &path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
}

} // namespace

QByteArray ReadRegularFile(const QString &path, qint64 maxBytes, FileOwner owner)
{
    const FileDescriptor file(openWithoutWaiting(path));
    if (file.get() < 0) {
        if (errno == ENOENT)
            throw RuntimeError(RuntimeError::FileNotFound, path);
        throw accessError(path, QString::fromLocal8Bit(strerror(errno)));
    }
    struct stat info { };
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw accessError(path, QStringLiteral("not a regular file"));
    if (owner == FileOwner::CurrentUser && info.st_uid != ::geteuid())
        throw accessError(path, QStringLiteral("not the user's own file"));
    if (info.st_size > maxBytes)
        throw RuntimeError(
            RuntimeError::OutOfMemory, QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maxBytes));

    QByteArray content;
    content.reserve(qsizetype(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw accessError(path, QString::fromLocal8Bit(strerror(errno)));
        if (n == 0)
            break;
        // A file that grows while it is read is as much too large.
        if (content.size() + n > maxBytes)
            throw RuntimeError(
                RuntimeError::OutOfMemory, QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maxBytes));
        content.append(buffer, n);
    }
    return content;
}

QString RegularFileFault(const QString &path, qint64 maxBytes)
{
    if (path.contains(QChar(0)))
        return QStringLiteral("is no file name");
    struct stat info { };
    // A device is never opened: opening some of them acts on the device.
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return QStringLiteral("is not a regular file");
    const FileDescriptor file(openWithoutWaiting(path));
    if (file.get() < 0)
        return errno == ENOENT ? QStringLiteral("does not exist")
                               : QStringLiteral("cannot be read: %1").arg(QString::fromLocal8Bit(strerror(errno)));
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return QStringLiteral("is not a regular file");
    // Another user could put a FIFO in its place at any time.
    if (info.st_uid != ::geteuid() && info.st_uid != 0)
        return QStringLiteral("belongs to another user");
    if (info.st_size > maxBytes)
        return QStringLiteral("is larger than %1 bytes").arg(maxBytes);
    return {};
}
