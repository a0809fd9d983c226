// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "WildcardSearch.h"

#include "FolderListing.h"
#include "RuntimeError.h"

namespace {

QList<char32_t> foldedCodePoints(const QString &text)
{
    const QList<uint> codes = text.toCaseFolded().toUcs4();
    return {codes.cbegin(), codes.cend()};
}

} // namespace

WildcardPattern::WildcardPattern(const QString &pattern)
    : m_folded(foldedCodePoints(pattern))
    , m_matchesAll(pattern == u"*.*" || pattern == u"*")
{
}

bool WildcardPattern::matches(const QString &name) const
{
    if (m_matchesAll)
        return true;
    const QList<char32_t> text = foldedCodePoints(name);
    // The classic greedy match: on a mismatch, let the last '*' take one
    // more character and try again from there.
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype starAt = -1;
    qsizetype starText = 0;
    while (t < text.size()) {
        if (p < m_folded.size() && (m_folded[p] == U'?' || m_folded[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < m_folded.size() && m_folded[p] == U'*') {
            starAt = p++;
            starText = t;
        } else if (starAt >= 0) {
            p = starAt + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < m_folded.size() && m_folded[p] == U'*')
        ++p;
    return p == m_folded.size();
}

bool WildcardMatches(const QString &pattern, const QString &name)
{
    return WildcardPattern(pattern).matches(name);
}

QStringList SearchFiles(const QString &folder, const QString &pattern)
{
    const FolderContents contents = ReadFolder(folder);
    if (contents.error == RuntimeError::PathNotFound)
        return {};
    if (contents.error != 0)
        throw RuntimeError(
            contents.error, QStringLiteral("%1: %2").arg(RuntimeError::standardDescription(contents.error), folder));
    const WildcardPattern wildcard(pattern);
    QStringList names;
    for (const FolderEntry &entry : contents.entries) {
        if (!entry.folder && wildcard.matches(entry.name))
            names << entry.name;
    }
    return names;
}
