// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "StyleSheetText.h"

namespace {

// One piece of a style sheet as its parser splits it: a comment, a quoted
// text, a character escaped by the backslash before it, or one character.
struct SheetPiece {
    enum Kind { Single, Escaped, Comment, Quoted };
    Kind kind;
    qsizetype begin;
    qsizetype end; // one past its last character
    bool closed = true; // whether a comment or a quoted text ends as it should
};

SheetPiece sheetPieceAt(const QString &text, qsizetype at)
{
    const QChar c = text.at(at);
    const qsizetype size = text.size();
    if (c == u'/' && at + 1 < size && text.at(at + 1) == u'*') {
        const qsizetype end = text.indexOf(QStringLiteral("*/"), at + 2);
        return end < 0 ? SheetPiece{SheetPiece::Comment, at, size, false}
                       : SheetPiece{SheetPiece::Comment, at, end + 2};
    }
    if (c == u'"' || c == u'\'') {
        qsizetype j = at + 1;
        while (j < size && text.at(j) != c && text.at(j) != u'\n' && text.at(j) != u'\r' && text.at(j) != u'\f')
            j += text.at(j) == u'\\' ? 2 : 1;
        if (j < size && text.at(j) == c)
            return {SheetPiece::Quoted, at, j + 1};
        return {SheetPiece::Quoted, at, qMin(j, size), false};
    }
    if (c == u'\\' && at + 1 < size)
        return {SheetPiece::Escaped, at, at + 2};
    return {SheetPiece::Single, at, at + 1};
}

bool isSheetSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

bool isNameCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return u >= 0x80 || isHexDigit(c) || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || u == u'_' || u == u'-';
}

// The text as the parser reads it: a backslash with one to six hexadecimal
// digits (of a code up to FFFF) stands for that character, wherever it is.
QString withHexEscapesReplaced(const QString &text)
{
    QString result;
    result.reserve(text.size());
    qsizetype at = 0;
    while (at < text.size()) {
        const QChar c = text.at(at);
        const qsizetype digits = at + 1;
        qsizetype count = 0;
        while (c == u'\\' && count < 6 && digits + count < text.size() && isHexDigit(text.at(digits + count)))
            ++count;
        bool isCode = false;
        const ushort code = count > 0 ? QStringView(text).mid(digits, count).toUShort(&isCode, 16) : 0;
        if (isCode) {
            result += QChar(code);
            at = digits + count;
        } else {
            result += c;
            at = digits;
        }
    }
    return result;
}

// A piece's text as the parser takes it: without the backslashes that
// escape the character after them.
QString unescaped(QStringView piece)
{
    QString text;
    for (qsizetype i = 0; i < piece.size(); ++i) {
        if (piece.at(i) == u'\\' && i + 1 < piece.size())
            ++i;
        text += piece.at(i);
    }
    return text;
}

// The address of a url( that ends just before at; at moves past its closing
// parenthesis. Spaces and comments in front are left out, everything else
// up to the parenthesis that closes the url( is kept, and an address that
// begins with a quotation mark loses its first and last character.
QString addressAt(const QString &sheet, qsizetype &at)
{
    while (at < sheet.size()) {
        const SheetPiece piece = sheetPieceAt(sheet, at);
        if (piece.kind != SheetPiece::Comment && !(piece.kind == SheetPiece::Single && isSheetSpace(sheet.at(at))))
            break;
        at = piece.end;
    }
    QString address;
    int parentheses = 1;
    int brackets = 0;
    int braces = 0;
    while (at < sheet.size()) {
        const SheetPiece piece = sheetPieceAt(sheet, at);
        at = piece.end;
        if (piece.kind == SheetPiece::Single) {
            switch (sheet.at(piece.begin).unicode()) {
            case u'(':
                ++parentheses;
                break;
            case u')':
                --parentheses;
                break;
            case u'[':
                ++brackets;
                break;
            case u']':
                --brackets;
                break;
            case u'{':
                ++braces;
                break;
            case u'}':
                --braces;
                break;
            default:
                break;
            }
            if (sheet.at(piece.begin) == u')' && parentheses <= 0 && brackets <= 0 && braces <= 0)
                break;
        }
        address += unescaped(QStringView(sheet).mid(piece.begin, piece.end - piece.begin));
    }
    if (address.startsWith(u'"') || address.startsWith(u'\'')) {
        address.remove(0, 1);
        address.chop(1);
    }
    return address;
}

} // namespace

QString StyleSheetFault(const QString &text)
{
    if (text.contains(QChar(0)))
        return QStringLiteral("it holds a NUL character");
    int depth = 0;
    bool selectorSeen = false;
    for (qsizetype at = 0; at < text.size();) {
        const SheetPiece piece = sheetPieceAt(text, at);
        at = piece.end;
        if (!piece.closed)
            return piece.kind == SheetPiece::Comment ? QStringLiteral("a comment is not closed")
                                                     : QStringLiteral("a quoted text is not closed");
        if (piece.kind == SheetPiece::Comment || piece.kind == SheetPiece::Quoted)
            continue;
        const QChar c = text.at(piece.begin);
        if (piece.kind == SheetPiece::Escaped) {
            selectorSeen = selectorSeen || depth == 0;
        } else if (c == u'{') {
            if (depth == 0 && !selectorSeen)
                return QStringLiteral("a block has no selector");
            ++depth;
            selectorSeen = false;
        } else if (c == u'}') {
            if (--depth < 0)
                return QStringLiteral("a closing brace has no opening one");
        } else if (depth == 0 && !c.isSpace()) {
            selectorSeen = true;
        }
    }
    if (depth != 0)
        return QStringLiteral("a block is not closed");
    return {};
}

QStringList StyleSheetAddresses(const QString &text)
{
    const QString sheet = withHexEscapesReplaced(text);
    QStringList addresses;
    QString name;
    for (qsizetype at = 0; at < sheet.size();) {
        const SheetPiece piece = sheetPieceAt(sheet, at);
        at = piece.end;
        const QChar last = sheet.at(piece.end - 1);
        if (piece.kind == SheetPiece::Escaped || (piece.kind == SheetPiece::Single && isNameCharacter(last))) {
            name += last;
            continue;
        }
        // Only the parser's own spelling takes an address, but one spelled
        // otherwise is checked all the same.
        const bool opensAddress = piece.kind == SheetPiece::Single && last == u'('
            && name.compare(QLatin1String("url"), Qt::CaseInsensitive) == 0;
        name.clear();
        if (opensAddress)
            addresses << addressAt(sheet, at);
    }
    return addresses;
}
