// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHashFunctions>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The order of every listing: names compared without regard to letter case
// (by case folding, not by the locale), names that differ only in case in
// code-point order, so a folder lists the same way on every machine.
bool ListingOrderLess(const QString &a, const QString &b);

// A name with letter case folded away, as the listing order and the wildcard
// compare names.
QString ListingKey(const QString &name);

// Which folder a path leads to, links followed: two paths with the same
// identity are the same folder.
struct FolderId {
    quint64 device = 0;
    quint64 inode = 0;
    friend bool operator==(const FolderId &, const FolderId &) = default;
    friend size_t qHash(const FolderId &id, size_t seed = 0) noexcept { return qHashMulti(seed, id.device, id.inode); }
};

// The identity of the folder or file a path leads to; none when it cannot
// be read.
std::optional<FolderId> IdentityOf(const QString &path);

struct FolderEntry {
    QString name;
    QString key; // see ListingKey
    bool folder = false; // a folder, or a link that leads to one
    // A regular file that opens by the folder's path and this name: the name
    // is the file's own (its bytes are UTF-8) and the folder lets names be
    // looked up in it.
    bool opens = false;
    // For folders, when FolderReading::folderLooks asks for them.
    FolderId id;
    int word = 0; // the attribute word, see AttributeWord
};

// What a folder holds, "." and ".." left out, in listing order.
struct FolderContents {
    QList<FolderEntry> entries;
    // 0 when the whole folder was read; else the runtime error number: 76
    // when the folder is missing or no folder, 70 when it may not be read,
    // 75 for any other failure. Entries read before a failure are kept.
    int error = 0;
};

// What a reading of a folder is to find out besides the names.
struct FolderReading {
    // Only entries whose ListingKey passes are kept; none means all.
    std::function<bool(const QString &key)> keep;
    // Look every folder up for its identity and attribute word.
    bool folderLooks = false;
};

FolderContents ReadFolder(const QString &folder, const FolderReading &reading = {});
