// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "WildcardSearch.h"

#include "FolderListing.h"
#include "RuntimeError.h"

namespace {

// Where the next character of a text starts: a character outside the basic
// plane takes two units.
qsizetype nextCharacter(QStringView text, qsizetype at)
{
    if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        return at + 2;
    return at + 1;
}

QStringList search(const QString &folder, const QString &pattern, bool openingOnly)
{
    const WildcardPattern wildcard(pattern);
    FolderReading reading;
    reading.keep = [&wildcard](const QString &key) { return wildcard.matchesKey(key); };
    const FolderContents contents = ReadFolder(folder, reading);
    if (contents.error == RuntimeError::PathNotFound)
        return {};
    if (contents.error != 0)
        throw RuntimeError(
            contents.error, QStringLiteral("%1: %2").arg(RuntimeError::standardDescription(contents.error), folder));
    QStringList names;
    for (const FolderEntry &entry : contents.entries) {
        if (!entry.folder && (entry.opens || !openingOnly))
            names << entry.name;
    }
    return names;
}

} // namespace

WildcardPattern::WildcardPattern(const QString &pattern)
    : m_folded(ListingKey(pattern))
    , m_matchesAll(pattern == u"*.*" || pattern == u"*")
{
}

bool WildcardPattern::matches(const QString &name) const
{
    return matchesKey(ListingKey(name));
}

bool WildcardPattern::matchesKey(QStringView key) const
{
    if (m_matchesAll)
        return true;
    const QStringView pattern(m_folded);
    // The classic greedy match: on a mismatch, let the last '*' take one
    // more character and try again from there.
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype starAt = -1;
    qsizetype starText = 0;
    while (t < key.size()) {
        if (p < pattern.size() && pattern[p] == u'?') {
            ++p;
            t = nextCharacter(key, t);
        } else if (p < pattern.size() && pattern[p] != u'*' && pattern[p] == key[t]) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            starText = t;
        } else if (starAt >= 0) {
            p = starAt + 1;
            starText = nextCharacter(key, starText);
            t = starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

bool WildcardMatches(const QString &pattern, const QString &name)
{
    return WildcardPattern(pattern).matches(name);
}

QStringList SearchFiles(const QString &folder, const QString &pattern)
{
    return search(folder, pattern, false);
}

QStringList SearchOpeningFiles(const QString &folder, const QString &pattern)
{
    return search(folder, pattern, true);
}
