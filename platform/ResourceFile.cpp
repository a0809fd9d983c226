// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResourceFile.h"

#include "FileDescriptor.h"
#include "RegularFile.h"
#include "RuntimeError.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

RuntimeError accessError(const QString &path, const QString &why)
{
    return RuntimeError(RuntimeError::PathFileAccessError, QStringLiteral("%1: %2").arg(path, why));
}

// What opening a resource found.
enum class Fault { None, NoFileName, Missing, Unreadable, NotRegular, OtherOwner, TooLarge };

struct OpenedFile {
    FileDescriptor file; // open only when there is no fault
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

Fault faultOf(const OpenedRegularFile &opened)
{
    switch (opened.kind) {
    case EntryKind::RegularFile:
        return opened.file.isOpen() ? Fault::None : Fault::Unreadable;
    case EntryKind::Missing:
        return Fault::Missing;
    case EntryKind::Unreachable:
        return Fault::Unreadable;
    case EntryKind::Folder:
    case EntryKind::NamedPipe:
    case EntryKind::Device:
    case EntryKind::Socket:
    case EntryKind::Link:
        break;
    }
    return Fault::NotRegular;
}

// Opens path for reading as a resource. What stands there is looked at
// once, through a handle that opens nothing, and only the regular file that
// was looked at is opened: a FIFO would wait for a writer, and opening some
// devices acts on them, whatever takes the file's place meanwhile.
OpenedFile openResource(const QString &path, qint64 maxBytes, FileOwner owner)
{
    // The system would read the name only up to a NUL, another file's name.
    if (path.contains(QChar(0)))
        return {FileDescriptor(), Fault::NoFileName};
    OpenedRegularFile opened = OpenRegularFile(QFile::encodeName(path), Links::Follow);
    Fault fault = faultOf(opened);
    if (fault == Fault::None && !ownerMayBe(owner, opened.info.st_uid))
        fault = Fault::OtherOwner;
    else if (fault == Fault::None && opened.info.st_size > maxBytes)
        fault = Fault::TooLarge;
    if (fault != Fault::None)
        return {FileDescriptor(), fault, fault == Fault::Unreadable ? opened.error : 0};
    return {std::move(opened.file), fault, 0, qint64(opened.info.st_size)};
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
    const FileDescriptor &file = opened.file;
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
