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

// The same names, less those that are not regular files (links followed):
// FIFOs, devices, sockets and broken links. A plain file is taken at the
// folder's word; whoever opens it looks it up by its path anyway.
QStringList SearchRegularFiles(const QString &folder, const QString &pattern);
