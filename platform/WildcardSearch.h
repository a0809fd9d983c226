// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// A file-name pattern: '*' stands for any run of characters, '?' for one
// character, every other character for itself ('[' included), letter case
// aside. "*.*" matches every name, with or without a dot.
class WildcardPattern final {
public:
    explicit WildcardPattern(const QString &pattern);

    bool matches(const QString &name) const;
    // For a name already folded with ListingKey.
    bool matchesKey(QStringView key) const;

private:
    QString m_folded;
    bool m_matchesAll = false;
};

bool WildcardMatches(const QString &pattern, const QString &name);

// The names of the files in a folder that match the pattern: hidden files
// and devices included, folders (and links to folders) left out, in listing
// order. A folder that is missing gives no names; one that cannot be read
// throws RuntimeError (70, or 75).
QStringList SearchFiles(const QString &folder, const QString &pattern);

// The same names, less those that would not open as regular files by the
// folder's path and the name (links followed): FIFOs, devices, sockets,
// broken links, names whose bytes are not UTF-8 and every name of a folder
// that does not let names be looked up. A plain file is taken at the
// folder's word, without a look of its own.
QStringList SearchOpeningFiles(const QString &folder, const QString &pattern);
