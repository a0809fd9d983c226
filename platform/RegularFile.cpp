// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "RegularFile.h"

#include <cerrno>
#include <fcntl.h>

EntryKind KindOfEntry(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryKind::RegularFile;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    if (S_ISFIFO(mode))
        return EntryKind::NamedPipe;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return EntryKind::Device;
    if (S_ISSOCK(mode))
        return EntryKind::Socket;
    return EntryKind::Link;
}

OpenedRegularFile OpenRegularFile(const QByteArray &nativePath, Links links)
{
    OpenedRegularFile opened;
    // The system would read the name only up to a NUL, another file's name.
    if (nativePath.isEmpty() || nativePath.contains('\0')) {
        opened.error = ENOENT;
        return opened;
    }
    // A handle on the entry itself (O_PATH) opens nothing: no FIFO waits for
    // a writer and no device hears of it.
    const FileDescriptor handle(
        ::open(nativePath.constData(), O_PATH | O_CLOEXEC | (links == Links::DoNotFollow ? O_NOFOLLOW : 0)));
    if (!handle.isOpen()) {
        opened.error = errno;
        opened.kind = errno == ENOENT ? EntryKind::Missing : EntryKind::Unreachable;
        return opened;
    }
    if (::fstat(handle.get(), &opened.info) != 0) {
        opened.error = errno;
        opened.kind = EntryKind::Unreachable;
        return opened;
    }
    opened.kind = KindOfEntry(opened.info.st_mode);
    if (opened.kind != EntryKind::RegularFile)
        return opened;
    // Opened through the handle, so it is the file that fstat described.
    const QByteArray handlePath = "/proc/self/fd/" + QByteArray::number(handle.get());
    opened.file = FileDescriptor(::open(handlePath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!opened.file.isOpen())
        opened.error = errno;
    return opened;
}

QString EntryKindText(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Folder:
        return QStringLiteral("a folder");
    case EntryKind::NamedPipe:
        return QStringLiteral("a named pipe");
    case EntryKind::Device:
        return QStringLiteral("a device");
    case EntryKind::Socket:
        return QStringLiteral("a socket");
    case EntryKind::Link:
        return QStringLiteral("a link");
    case EntryKind::RegularFile:
        return QStringLiteral("a regular file");
    case EntryKind::Missing:
    case EntryKind::Unreachable:
        break;
    }
    return QStringLiteral("nothing that can be reached");
}

bool IsSameInode(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool NameLeadsToFile(int folder, const QByteArray &name, int fd)
{
    struct stat named { };
    struct stat held { };
    return ::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &held) == 0
        && IsSameInode(named, held);
}
