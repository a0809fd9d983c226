// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileDescriptor.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// What stands at a path.
enum class EntryKind { Missing, RegularFile, Folder, NamedPipe, Device, Socket, Link, Unreachable };

enum class Links { Follow, DoNotFollow };

// The kind of entry that a mode from stat() describes.
EntryKind KindOfEntry(mode_t mode);

struct OpenedRegularFile {
    FileDescriptor file; // open for reading when kind is RegularFile and error is 0
    EntryKind kind = EntryKind::Missing;
    int error = 0; // why the entry could not be reached, or the regular file not be read
    struct stat info { }; // of the entry, when it could be reached
};

// Opens the regular file at path for reading. Whatever else stands there is
// looked at and never opened: a named pipe would block the caller, and
// opening some devices acts on them. The file that is opened is the very one
// that was looked at, whatever happens to the name meanwhile. With
// Links::DoNotFollow a link at path is reported as a link.
OpenedRegularFile OpenRegularFile(const QByteArray &nativePath, Links links);

// "a folder", "a named pipe", "a device", "a socket", "a link": what the
// user is told stands where a regular file was wanted.
QString EntryKindText(EntryKind kind);

bool IsSameInode(const struct stat &a, const struct stat &b);

// True when the entry name, in the folder open at folder (AT_FDCWD: name is
// a path), not followed if it is a link, is the file open at fd.
bool NameLeadsToFile(int folder, const QByteArray &name, int fd);
