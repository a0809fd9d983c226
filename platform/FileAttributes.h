// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// The attribute bits of a file or folder, compared as one whole number.
enum FileAttribute : int {
    AttributeReadOnly = 1,
    AttributeHidden = 2,
    AttributeSystem = 4,
    AttributeDirectory = 16,
    AttributeArchive = 32,
    AttributeReparsePoint = 1024,
};

// The attribute word of a path, worked out from the entry itself (a link is
// not followed, trailing separators are ignored) and its name:
// - directory when the entry, or the folder a link leads to, is a folder;
// - read-only when the owner may not write it;
// - hidden for a name that begins with '.';
// - system for devices, FIFOs and sockets; hidden and system together for the
//   trash folders and lost+found, which scans pass over like other places
//   that belong to the system rather than to the user;
// - archive for every entry that is not a folder;
// - reparse point for a symbolic link.
// Throws RuntimeError (53 missing, 76 a part of the path is no folder, 70
// refused, 75 otherwise) when the entry cannot be read.
int AttributeWord(const QString &path);

// What an attribute word is made of, as a look at the entry finds it.
struct EntryLook {
    unsigned mode = 0; // the entry's own mode: a link is not followed
    bool leadsToFolder = false; // a folder, or a link that leads to one
    bool onKernelFileSystem = false; // a folder of one of the kernel's own file systems
};

// The attribute word of an entry with this name, as AttributeWord works it
// out; for a listing that has looked at its entries already.
int AttributeWordOf(QStringView name, const EntryLook &look);

// True when the folder at this path lies on one of the kernel's own file
// systems (processes, devices, control files), which hold no user's files.
bool IsOnKernelFileSystem(const QByteArray &nativePath);
bool IsOnKernelFileSystem(int folderDescriptor);

// The attribute word of a path that leads to a folder (a link to one
// included); none for anything else or a path that cannot be read. One look
// answers both questions a scan asks of every folder.
std::optional<int> FolderAttributeWord(const QString &path);

// True for the names of the folders that a desktop keeps for itself: the
// trash folders ".Trash" and ".Trash-<user number>", and "lost+found".
bool IsSystemFolderName(QStringView name);

// True when the path names the root of the file system ("/", "//", ...).
bool IsRootFolder(const QString &path);
