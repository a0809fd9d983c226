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

// Characters the parser reads with the run of spaces in front of them as
// one piece, so that the spaces are not skipped in front of an address.
bool takesSpacesInFront(QChar c)
{
    return c == u'{' || c == u'+' || c == u'>' || c == u',' || c == u'~';
}

// Whether the backslash at at escapes the character after it as the parser
// takes it. One before a hexadecimal digit is left only when the code it
// spells is too large, and the parser reads that differently from a plain
// escape; one before a line break joins lines in a quoted text only.
bool isPlainEscape(const QString &sheet, qsizetype at)
{
    if (at + 1 >= sheet.size())
        return false;
    const QChar next = sheet.at(at + 1);
    return !isHexDigit(next) && next != u'\n' && next != u'\r' && next != u'\f';
}

// One url( as the parser reads it, from just after its parenthesis.
struct AddressReading {
    QString address;
    QString fault; // why the check cannot read it as the parser does
};

// The address of the url( that ends just before at, as the parser takes
// its arguments: spaces and comments in front are left out (but for the
// spaces in front of a character that takes them), everything else up to
// the parenthesis that closes the url( is kept, brackets and parentheses
// paired, and an address that begins with a quotation mark loses its first
// and last character. Braces inside, or brackets that close before they
// open, make a reading the check refuses.
AddressReading addressAt(const QString &sheet, qsizetype at)
{
    qsizetype spaces = at;
    while (at < sheet.size()) {
        const SheetPiece piece = sheetPieceAt(sheet, at);
        if (piece.kind == SheetPiece::Comment)
            spaces = piece.end;
        else if (piece.kind != SheetPiece::Single || !isSheetSpace(sheet.at(at)))
            break;
        at = piece.end;
    }
    if (at < sheet.size() && takesSpacesInFront(sheet.at(at)))
        at = spaces;
    AddressReading reading;
    int parentheses = 1;
    int brackets = 0;
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
            case u'}':
                reading.fault = QStringLiteral("a url() holds a brace");
                return reading;
            default:
                break;
            }
            if (sheet.at(piece.begin) == u')' && parentheses <= 0 && brackets <= 0) {
                if (reading.address.startsWith(u'"') || reading.address.startsWith(u'\'')) {
                    reading.address.remove(0, 1);
                    reading.address.chop(1);
                }
                return reading;
            }
            if (parentheses < 0 || brackets < 0)
                break;
        }
        reading.address += unescaped(QStringView(sheet).mid(piece.begin, piece.end - piece.begin));
    }
    reading.fault = QStringLiteral("a url() is not closed");
    return reading;
}

// What the check makes of a style sheet: the first thing in it that it
// cannot read as the parser will, if any, and the addresses it found.
struct SheetReading {
    QString fault;
    QStringList addresses;

    void refuse(const QString &why)
    {
        if (fault.isEmpty())
            fault = why;
    }
};

// Why the pieces of a sheet do not make a style sheet: a NUL, a comment or
// a quoted text left open, braces that do not pair up, or a block without
// a selector in front of it.
QString structureFault(const QString &sheet)
{
    if (sheet.contains(QChar(0)))
        return QStringLiteral("it holds a NUL character");
    int depth = 0;
    bool selectorSeen = false;
    for (qsizetype at = 0; at < sheet.size();) {
        const SheetPiece piece = sheetPieceAt(sheet, at);
        at = piece.end;
        if (!piece.closed)
            return piece.kind == SheetPiece::Comment ? QStringLiteral("a comment is not closed")
                                                     : QStringLiteral("a quoted text is not closed");
        if (piece.kind == SheetPiece::Comment || piece.kind == SheetPiece::Quoted)
            continue;
        const QChar c = sheet.at(piece.begin);
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

// Whether every backslash of a piece escapes the character after it the
// plain way.
bool hasPlainEscapesOnly(const QString &sheet, const SheetPiece &piece)
{
    for (qsizetype at = piece.begin; at < piece.end; ++at) {
        if (sheet.at(at) != u'\\')
            continue;
        if (!isPlainEscape(sheet, at))
            return false;
        ++at;
    }
    return true;
}

// What ends the name just read means: an @import, or a property of the
// control that Qt sets from the text (a style sheet of its own, or a text
// that may be rich text naming images), neither of which the check follows.
void readName(const QString &name, bool afterAt, bool &inPropertyValue, SheetReading &reading)
{
    if (afterAt && name.compare(QLatin1String("import"), Qt::CaseInsensitive) == 0)
        reading.refuse(QStringLiteral("it imports another style sheet"));
    if (name.compare(QLatin1String("qproperty-stylesheet"), Qt::CaseInsensitive) == 0)
        reading.refuse(QStringLiteral("it sets a style sheet of its own on a control"));
    if (name.contains(QLatin1String("qproperty-"), Qt::CaseInsensitive))
        inPropertyValue = true;
}

SheetReading readSheet(const QString &text)
{
    SheetReading reading;
    // Qt's application style sheet reads a text that begins so as the name
    // of the file that holds the style sheet.
    if (QStringView(text).trimmed().startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        reading.refuse(QStringLiteral("it names a file to read the style sheet from"));
    const QString sheet = withHexEscapesReplaced(text);
    reading.refuse(structureFault(sheet));
    QString name;
    bool afterAt = false;
    bool inPropertyValue = false;
    for (qsizetype at = 0; at < sheet.size();) {
        const SheetPiece piece = sheetPieceAt(sheet, at);
        at = piece.end;
        const QChar last = sheet.at(piece.end - 1);
        if (!hasPlainEscapesOnly(sheet, piece))
            reading.refuse(QStringLiteral("it holds an escape the check cannot read"));
        if (inPropertyValue && (piece.kind == SheetPiece::Escaped || piece.kind == SheetPiece::Quoted))
            reading.refuse(QStringLiteral("it sets a control's property to a text"));
        if (piece.kind == SheetPiece::Escaped || (piece.kind == SheetPiece::Single && isNameCharacter(last))) {
            name += last;
            continue;
        }
        if (!name.isEmpty())
            readName(name, afterAt, inPropertyValue, reading);
        if (piece.kind == SheetPiece::Single && (last == u';' || last == u'{' || last == u'}'))
            inPropertyValue = false;
        // Only the parser's own spelling takes an address, but one spelled
        // otherwise is checked all the same, and so is one that begins
        // inside another's: the parser may give up on the first and read on
        // from inside it.
        const bool opensAddress = piece.kind == SheetPiece::Single && last == u'('
            && name.compare(QLatin1String("url"), Qt::CaseInsensitive) == 0;
        afterAt = piece.kind == SheetPiece::Single && last == u'@';
        name.clear();
        if (!opensAddress)
            continue;
        const AddressReading address = addressAt(sheet, at);
        if (address.fault.isEmpty())
            reading.addresses << address.address;
        reading.refuse(address.fault);
    }
    return reading;
}

} // namespace

QString StyleSheetFault(const QString &text)
{
    return readSheet(text).fault;
}

QStringList StyleSheetAddresses(const QString &text)
{
    return readSheet(text).addresses;
}
