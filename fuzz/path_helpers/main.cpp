// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The path helpers and the file-name pattern on any text: nothing crashes,
// the pieces of a path make it up again, and the pattern matches exactly
// the names that a plain matcher of its own rules (tried at every split,
// one code point at a time, letter case folded) matches.
#include "FuzzSupport.h"
#include "PathHelpers.h"
#include "RuntimeError.h"
#include "WildcardSearch.h"

#include <QList>

#include <climits>

#include <vector>

namespace {

// Code points, a lone surrogate counting as one.
QList<char32_t> codePoints(const QString &text)
{
    QList<char32_t> points;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            points << QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        } else {
            points << text[i].unicode();
        }
    }
    return points;
}

// Whether the pattern matches the whole name: a table of which pattern
// prefix matches which name prefix.
bool plainMatch(const QString &patternText, const QString &nameText)
{
    if (patternText == u"*" || patternText == u"*.*")
        return true;
    const QList<char32_t> pattern = codePoints(patternText.toCaseFolded());
    const QList<char32_t> name = codePoints(nameText.toCaseFolded());
    const qsizetype columns = name.size() + 1;
    std::vector<char> matches(size_t((pattern.size() + 1) * columns), 0);
    const auto at = [&](qsizetype p, qsizetype n) -> char & { return matches[size_t(p * columns + n)]; };
    at(0, 0) = 1;
    for (qsizetype p = 1; p <= pattern.size(); ++p) {
        const char32_t c = pattern[p - 1];
        for (qsizetype n = 0; n <= name.size(); ++n) {
            if (c == U'*')
                at(p, n) = at(p - 1, n) || (n > 0 && at(p, n - 1));
            else if (n > 0)
                at(p, n) = at(p - 1, n - 1) && (c == U'?' || c == name[n - 1]);
        }
    }
    return at(pattern.size(), name.size());
}

void checkPathPieces(const QString &path)
{
    try {
        const QString folder = FolderOfPath(path);
        const QString name = FileNameOfPath(path);
        FuzzCheck(folder + name == path, "a path's folder and name make it up again", path);
        FuzzCheck(!name.contains(u'/'), "a name holds no separator", path);
    } catch (const RuntimeError &error) {
        FuzzCheck(error.number() == RuntimeError::Overflow && path.size() > 32767,
            "only a position beyond 32,767 is refused", path.left(80));
    }
    try {
        const QString stripped = StripExtension(path);
        FuzzCheck(path.startsWith(stripped), "an extension is taken off the end", path);
    } catch (const RuntimeError &error) {
        FuzzCheck(error.number() == RuntimeError::Overflow, "only a position beyond 32,767 is refused");
    }
    const QString collapsed = CollapseBackslashes(path);
    QString expected = path;
    expected.replace(QStringLiteral("//"), QStringLiteral("/"));
    while (expected.startsWith(QStringLiteral("//")))
        expected.remove(0, 1);
    FuzzCheck(collapsed == expected, "pairs of separators become one, and a leading run one", path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The pattern, a line feed, then the name; the whole text is also a path.
    const QByteArray bytes = FuzzBytes(data, size);
    checkPathPieces(QString::fromUtf8(bytes));
    const qsizetype split = bytes.indexOf('\n');
    if (split < 0)
        return 0;
    const QString pattern = QString::fromUtf8(bytes.left(split));
    // Names come from folder listings, which hold at most 255 bytes a name;
    // the pattern may be as long as the user likes.
    const QString name = QString::fromUtf8(bytes.mid(split + 1, NAME_MAX));
    const bool matches = WildcardMatches(pattern, name);
    // The plain matcher's table is kept small.
    if (pattern.size() * name.size() <= 1 << 20)
        FuzzCheck(matches == plainMatch(pattern, name), "the pattern matches as its rules say",
            QStringLiteral("pattern \"%1\", name \"%2\": %3")
                .arg(pattern, name, matches ? QStringLiteral("matched") : QStringLiteral("no match")));
    return 0;
}
