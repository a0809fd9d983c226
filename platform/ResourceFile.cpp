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

// What opening a resource found.
enum class Fault { None, NoFileName, Missing, Unreadable, NotRegular, OtherOwner, TooLarge };

struct OpenedFile {
    int descriptor = -1; // open only when there is no fault
    Fault fault = Fault::None;
    int error = 0; // for Unreadable
    qint64 size = 0;
};

bool ownerMayBe(FileOwner owner, uid_t uid)
{
    switch (owner) {
    case FileOwner::CurrentUser:
        return uid == ::geteuid();
    case FileOwner::CurrentUserOrRoot:
        return uid == ::geteuid() || uid == 0;
    case FileOwner::Anyone:
        break;
    }
    return true;
}

// Opens path for reading as a resource. A device is never opened: opening
// some of them acts on the device. O_NONBLOCK: should a FIFO take the file's
// place after the first look, opening it still returns at once, and fstat
// turns it away.
OpenedFile openResource(const QString &path, qint64 maxBytes, FileOwner owner)
{
    // The system would read the name only up to a NUL, another file's name.
    if (path.contains(QChar(0)))
        return {-1, Fault::NoFileName};
    const QByteArray native = QFile::encodeName(path);
    struct stat info { };
    if (::stat(native.constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return {-1, Fault::NotRegular};
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {-1, errno == ENOENT ? Fault::Missing : Fault::Unreadable, errno};
    Fault fault = Fault::None;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        fault = Fault::NotRegular;
    else if (!ownerMayBe(owner, info.st_uid))
        fault = Fault::OtherOwner;
    else if (info.st_size > maxBytes)
        fault = Fault::TooLarge;
    if (fault == Fault::None)
        return {fd, fault, 0, qint64(info.st_size)};
    ::close(fd);
    return {-1, fault};
}

RuntimeError tooLarge(const QString &path, qint64 maxBytes)
{
    return RuntimeError(
        RuntimeError::OutOfMemory, QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maxBytes));
}

} // namespace

QByteArray ReadRegularFile(const QString &path, qint64 maxBytes, FileOwner owner)
{
    const OpenedFile opened = openResource(path, maxBytes, owner);
    const FileDescriptor file(opened.descriptor);
    switch (opened.fault) {
    case Fault::NoFileName:
    case Fault::Missing:
        throw RuntimeError(RuntimeError::FileNotFound, path);
    case Fault::Unreadable:
        throw accessError(path, QString::fromLocal8Bit(strerror(opened.error)));
    case Fault::NotRegular:
        throw accessError(path, QStringLiteral("not a regular file"));
    case Fault::OtherOwner:
        throw accessError(path, QStringLiteral("not the user's own file"));
    case Fault::TooLarge:
        throw tooLarge(path, maxBytes);
    case Fault::None:
        break;
    }

    QByteArray content;
    content.reserve(opened.size);
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
            throw tooLarge(path, maxBytes);
        content.append(buffer, n);
    }
    return content;
}

QString RegularFileFault(const QString &path, qint64 maxBytes)
{
    const OpenedFile opened = openResource(path, maxBytes, FileOwner::CurrentUserOrRoot);
    const FileDescriptor file(opened.descriptor);
    switch (opened.fault) {
    case Fault::NoFileName:
        return QStringLiteral("is no file name");
    case Fault::Missing:
        return QStringLiteral("does not exist");
    case Fault::Unreadable:
        return QStringLiteral("cannot be read: %1").arg(QString::fromLocal8Bit(strerror(opened.error)));
    case Fault::NotRegular:
        return QStringLiteral("is not a regular file");
    // Another user could put a FIFO in its place at any time.
    case Fault::OtherOwner:
        return QStringLiteral("belongs to another user");
    case Fault::TooLarge:
        return QStringLiteral("is larger than %1 bytes").arg(maxBytes);
    case Fault::None:
        break;
    }
    return {};
}
