// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "IniDocument.h"

#include <QDataStream>
#include <QIODevice>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringDecoder>
#include <QVariant>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

constexpr char kByteOrderMark[] = "\xef\xbb\xbf";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

// What QSettings skips before a line: blanks and line ends.
bool isSpace(char c)
{
    return isBlank(c) || isLineBreak(c);
}

// The value of c as a digit of the base (8 or 16), or -1.
int digitValue(char c, int base)
{
    const int value = c >= '0' && c <= '9' ? c - '0'
        : c >= 'a' && c <= 'f'             ? c - 'a' + 10
        : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                           : -1;
    return value < base ? value : -1;
}

// Keys and section names are written in ASCII: '/' as '\', letters, digits
// and "_-." as they are, any other character as %XX or %UXXXX.
QByteArray escapedKey(QStringView key)
{
    QByteArray result;
    for (const QChar c : key) {
        const char16_t code = c.unicode();
        if (code == u'/')
            result += '\\';
        else if ((code < 0x80 && QChar::isLetterOrNumber(code)) || code == u'_' || code == u'-' || code == u'.')
            result += char(code);
        else if (code <= 0xFF)
            result += '%' + QByteArray::number(code, 16).toUpper().rightJustified(2, '0');
        else
            result += "%U" + QByteArray::number(code, 16).toUpper().rightJustified(4, '0');
    }
    return result;
}

QString unescapedKey(QByteArrayView bytes)
{
    const QString text = QString::fromUtf8(bytes);
    QString result;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == u'\\') {
            result += u'/';
            ++i;
            continue;
        }
        if (c == u'%') {
            const bool wide = i + 1 < text.size() && text.at(i + 1) == u'U';
            const qsizetype first = i + (wide ? 2 : 1);
            const qsizetype digits = wide ? 4 : 2;
            bool isCode = false;
            const ushort code
                = first + digits <= text.size() ? QStringView(text).sliced(first, digits).toUShort(&isCode, 16) : 0;
            if (isCode) {
                result += QChar(code);
                i = first + digits;
                continue;
            }
        }
        result += c;
        ++i;
    }
    return result;
}

// A key as QSettings looks it up: without '/' at its ends, and with '/'
// repeated inside it taken once.
QString normalizedKey(const QString &key)
{
    return key.split(u'/', Qt::SkipEmptyParts).join(u'/');
}

// Only sections without '/' are read and written here: QSettings takes
// "a/b" for the section "a" as often as for the section "a/b".
bool isPlainSection(const QString &section)
{
    return !section.contains(u'/');
}

// How QSettings prefixes the keys of a section: nothing for the general
// section, the name and '/' for any other.
QString sectionPrefix(const QString &section)
{
    return section.isEmpty() ? QString() : section + u'/';
}

// The prefix of the section a header names. "General" in any letter case
// names the general section, "%General" a section of that name, and an
// empty name the section "", which is not the general one.
QString sectionOfHeader(QByteArrayView name)
{
    if (name.compare("general", Qt::CaseInsensitive) == 0)
        return {};
    if (name.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(name.sliced(1)) + u'/';
    return unescapedKey(name) + u'/';
}

QByteArray sectionHeader(const QString &section)
{
    if (section.isEmpty())
        return "[General]";
    const QByteArray name = escapedKey(section);
    if (name.compare("general", Qt::CaseInsensitive) == 0)
        return "[%" + name + ']';
    return '[' + name + ']';
}

// Characters written as a backslash and a letter: the writer uses all but
// the last two, the reader knows them all.
constexpr std::pair<char, char> kEscapes[] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'}, {'r', '\r'},
    {'t', '\t'}, {'v', '\v'}, {'"', '"'}, {'\\', '\\'}, {'?', '?'}, {'\'', '\''}};
constexpr std::size_t kWrittenEscapes = std::size(kEscapes) - 2;

// The escape the writer uses for c, or nothing.
QByteArray namedEscape(char16_t c)
{
    for (std::size_t i = 0; i < kWrittenEscapes; ++i) {
        if (c == char16_t(kEscapes[i].second))
            return QByteArray("\\") + kEscapes[i].first;
    }
    return {};
}

// The character a backslash and c stand for, or 0 when c names none.
char namedUnescape(char c)
{
    for (const auto &[letter, character] : kEscapes) {
        if (c == letter)
            return character;
    }
    return 0;
}

// A leading '@' marks a typed value: a text that begins with one has it
// doubled, and a text with NUL characters is marked as a string.
QString typedText(const QString &text)
{
    if (text.contains(QChar::Null))
        return QStringLiteral("@String(") + text + u')';
    return text.startsWith(u'@') ? u'@' + text : text;
}

// Written as a code, \xN: control characters, which would break the line,
// U+FEFF, which QSettings drops at the start of a value, and a surrogate
// without its other half, which has no UTF-8.
bool isWrittenAsCode(QStringView text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c.unicode() < 0x20 || c.unicode() == 0xFEFF)
        return true;
    if (c.isHighSurrogate())
        return i + 1 == text.size() || !text.at(i + 1).isLowSurrogate();
    return c.isLowSurrogate() && (i == 0 || !text.at(i - 1).isHighSurrogate());
}

// A text as QSettings writes it: characters that cannot stand for
// themselves as codes, \0 and \xN, a hex digit right after one escaped too
// (the reader would take it into the code), and quotes around the whole
// when it holds ';', ',' or '=' or begins or ends with a blank, so that the
// reader neither ends the line, nor makes a list, nor trims it.
QByteArray escapedText(const QString &text)
{
    const QString value = typedText(text);
    QByteArray result;
    bool needsQuotes = false;
    bool escapeHexDigit = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        const char16_t code = c.unicode();
        needsQuotes = needsQuotes || code == u';' || code == u',' || code == u'=';
        if (escapeHexDigit && code < 0x80 && digitValue(char(code), 16) >= 0) {
            result += "\\x" + QByteArray::number(code, 16);
            continue;
        }
        escapeHexDigit = false;
        if (const QByteArray escape = namedEscape(code); !escape.isEmpty()) {
            result += escape;
        } else if (isWrittenAsCode(value, i)) {
            result += code == 0 ? QByteArray("\\0") : "\\x" + QByteArray::number(code, 16);
            escapeHexDigit = true;
        } else if (code < 0x80) {
            result += char(code);
        } else {
            const bool pair = c.isHighSurrogate();
            result += QStringView(value).sliced(i, pair ? 2 : 1).toUtf8();
            i += pair ? 1 : 0;
        }
    }
    if (needsQuotes || result.startsWith(' ') || result.endsWith(' '))
        return '"' + result + '"';
    return result;
}

// A value as QSettings reads it: blanks around it dropped unless quoted,
// escapes resolved, a backslash before a line end joining the lines, a
// backslash before any other character dropping it, and bare commas making
// a list. The bytes between escapes go through one UTF-8 decoder, which
// drops U+FEFF at the start of the first of them only.
IniDocument::RawValue unescapedValue(QByteArrayView value)
{
    IniDocument::RawValue result;
    QString &item = result.text;
    QStringDecoder fromUtf8(QStringDecoder::Utf8);
    bool inQuotes = false;
    bool quoted = false;
    bool trimEnd = true;
    qsizetype chopLimit = 0;
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < value.size() && isBlank(value.at(i)))
            ++i;
        chopLimit = item.size();
    };
    const auto chopBlanks = [&] {
        while (item.size() > chopLimit && (item.back() == u' ' || item.back() == u'\t'))
            item.chop(1);
    };

    skipBlanks();
    while (i < value.size()) {
        const char c = value.at(i);
        if (c == '\\') {
            if (++i == value.size()) {
                trimEnd = false;
                break;
            }
            const char escaped = value.at(i++);
            const int base = escaped == 'x' ? 16 : 8;
            if (const char plain = namedUnescape(escaped)) {
                item += QLatin1Char(plain);
            } else if (escaped == 'x' && i == value.size()) {
                trimEnd = false;
                break;
            } else if (escaped == 'x' ? digitValue(value.at(i), 16) >= 0 : digitValue(escaped, 8) >= 0) {
                char16_t code = escaped == 'x' ? 0 : char16_t(digitValue(escaped, 8));
                while (i < value.size() && digitValue(value.at(i), base) >= 0)
                    code = char16_t(code * base + digitValue(value.at(i++), base));
                item += QChar(code);
            } else if (isLineBreak(escaped) && i < value.size() && isLineBreak(value.at(i)) && value.at(i) != escaped) {
                ++i;
            }
            chopLimit = item.size();
        } else if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
        } else if (c == ',' && !inQuotes) {
            if (!quoted)
                chopBlanks();
            result.isList = true;
            result.items.append(item);
            item.clear();
            quoted = false;
            ++i;
            skipBlanks();
        } else {
            qsizetype end = i + 1;
            while (end < value.size() && value.at(end) != '\\' && value.at(end) != '"' && value.at(end) != ',')
                ++end;
            item += fromUtf8(value.sliced(i, end - i));
            i = end;
        }
    }
    if (trimEnd && !quoted)
        chopBlanks();
    if (result.isList) {
        result.items.append(item);
        item.clear();
    }
    return result;
}

// How many arguments QSettings reads from "@Name(a b c)" with '(' at open.
qsizetype argumentCount(const QString &text, qsizetype open)
{
    const QStringView arguments = QStringView(text).sliced(open + 1);
    return std::count(arguments.begin(), arguments.end(), u' ') + std::count(arguments.begin(), arguments.end(), u')');
}

QVariant streamedValue(const QString &text, qsizetype offset, QDataStream::Version version)
{
    QByteArray bytes = QStringView(text).sliced(offset).toLatin1();
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    stream.setVersion(version);
    QVariant result;
    stream >> result;
    return result;
}

// The value QSettings makes of a text that may be typed with a leading '@'.
QVariant typedValue(const QString &text)
{
    if (!text.startsWith(u'@'))
        return text;
    if (text.endsWith(u')')) {
        if (text.startsWith(u"@ByteArray("))
            return QStringView(text).sliced(11).chopped(1).toLatin1();
        if (text.startsWith(u"@String("))
            return text.sliced(8).chopped(1);
        if (text.startsWith(u"@Variant("))
            return streamedValue(text, 9, QDataStream::Qt_4_0);
        if (text.startsWith(u"@DateTime("))
            return streamedValue(text, 10, QDataStream::Qt_5_6);
        if (text.startsWith(u"@Rect(") && argumentCount(text, 5) == 4)
            return QRect();
        if (text.startsWith(u"@Size(") && argumentCount(text, 5) == 2)
            return QSize();
        if (text.startsWith(u"@Point(") && argumentCount(text, 6) == 2)
            return QPoint();
        if (text == u"@Invalid()")
            return {};
    }
    return text.startsWith(u"@@") ? text.sliced(1) : text;
}

// A list is of texts unless an item is typed; "@@" then stands for '@'.
QVariant listValue(const QStringList &items)
{
    const bool typed = std::any_of(items.cbegin(), items.cend(),
        [](const QString &item) { return item.startsWith(u'@') && !item.startsWith(u"@@"); });
    if (typed) {
        QVariantList values;
        for (const QString &item : items)
            values.append(typedValue(item));
        return values;
    }
    QStringList texts = items;
    for (QString &text : texts) {
        if (text.startsWith(u'@'))
            text.remove(0, 1);
    }
    return texts;
}

// The text of a value: a string, or a list of them joined with ','.
std::optional<QString> textOfValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QStringList:
        return value.toStringList().join(u',');
    case QMetaType::QVariantList: {
        QStringList texts;
        for (const QVariant &item : value.toList()) {
            if (item.typeId() != QMetaType::QString)
                return std::nullopt;
            texts.append(item.toString());
        }
        return texts.join(u',');
    }
    default:
        return std::nullopt;
    }
}

std::optional<QString> textOfRawValue(const IniDocument::RawValue &value)
{
    return textOfValue(value.isList ? listValue(value.items) : typedValue(value.text));
}

} // namespace

IniDocument::IniDocument(QByteArray bytes)
    : m_bytes(std::move(bytes))
{
    m_valid = !m_bytes.contains('\0');
    if (m_valid)
        parse();
}

// Lines are told apart as QSettings does, so that a key's line here is the
// line QSettings reads for it: a line goes on over a line end inside quotes
// or after a backslash, an unquoted ';' ends it, and a ';' that begins it
// makes the rest of its physical line a comment.
bool IniDocument::readLine(qsizetype &position, Line &line, bool &quoteLeftOpen) const
{
    const qsizetype size = m_bytes.size();
    qsizetype start = position;
    while (start < size && isSpace(m_bytes.at(start)))
        ++start;
    qsizetype equals = -1;
    bool inQuotes = false;
    qsizetype i = start;
    while (i < size) {
        const char c = m_bytes.at(i++);
        if (c == '=') {
            if (!inQuotes && equals < 0)
                equals = i - 1;
        } else if (isLineBreak(c)) {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < size) {
                const char escaped = m_bytes.at(i++);
                if (i < size && isLineBreak(escaped) && isLineBreak(m_bytes.at(i)) && m_bytes.at(i) != escaped)
                    ++i;
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ';') {
            if (i == start + 1) {
                i = endOfPhysicalLine(i);
                while (i < size && isSpace(m_bytes.at(i)))
                    ++i;
                start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    position = i;
    line = Line();
    line.start = start;
    line.equals = equals;
    line.end = i;
    quoteLeftOpen = inQuotes;
    return i > start;
}

void IniDocument::parse()
{
    m_lines.clear();
    QString section;
    qsizetype position = m_bytes.startsWith(kByteOrderMark) ? 3 : 0;
    Line line;
    bool quoteLeftOpen = false;
    while (readLine(position, line, quoteLeftOpen)) {
        // A quote left open takes in the rest of the file: where a line would
        // be added cannot be told.
        if (quoteLeftOpen) {
            m_valid = false;
            return;
        }
        const QByteArrayView text = QByteArrayView(m_bytes).sliced(line.start, line.end - line.start);
        if (text.startsWith('[')) {
            const qsizetype close = text.indexOf(']');
            if (close < 0) {
                m_valid = false;
                return;
            }
            section = sectionOfHeader(text.sliced(1, close - 1).trimmed());
            line.equals = -1;
        } else if (line.equals < 0) {
            if (text.startsWith('#'))
                continue; // a comment, which QSettings passes over too
            m_valid = false;
            return;
        } else {
            line.key = unescapedKey(text.first(line.equals - line.start).trimmed());
        }
        line.section = section;
        line.isUtf8 = text.isValidUtf8();
        m_lines.append(line);
    }
}

bool IniDocument::isValidSection(const QString &section) const
{
    if (!m_valid || !isPlainSection(section))
        return false;
    const QString prefix = sectionPrefix(section);
    return std::all_of(m_lines.cbegin(), m_lines.cend(), [&](const Line &line) {
        const bool isSubsection
            = !prefix.isEmpty() && line.section.size() > prefix.size() && line.section.startsWith(prefix);
        return !isSubsection && (line.section != prefix || line.isUtf8);
    });
}

std::optional<QString> IniDocument::text(const QString &section, const QString &key) const
{
    const Line *line = lastKeyLine(section, key);
    if (!line)
        return std::nullopt;
    return textOfRawValue(rawValue(*line));
}

bool IniDocument::setText(const QString &section, const QString &key, const QString &text)
{
    m_refusal.clear();
    if (!isValidSection(section))
        return refuse(QStringLiteral("the file is not one that other programs read as this program does"));
    const QString name = normalizedKey(key);
    if (name.isEmpty() || (section.isEmpty() && name.contains(u'/')))
        return refuse(QStringLiteral("\"%1\" names no setting").arg(key));
    if (this->text(section, name) == text)
        return true;
    if (!edit(section, name, text))
        return refuse(QStringLiteral("the text of %1 cannot be written so that other programs read it back").arg(name));
    return true;
}

// The value's line is replaced, or added after the section's last line, or
// the section is added at the end; where a line end is added, a second one
// is tried when the first would go on a line that a backslash continues.
bool IniDocument::edit(const QString &section, const QString &key, const QString &text)
{
    const QByteArray value = escapedText(text);
    const QByteArray assignment = escapedKey(key) + '=' + value;
    const Reading added{sectionPrefix(section), key, false, unescapedValue(value)};
    QList<Reading> expected = readings();
    if (const Line *line = lastKeyLine(section, key)) {
        // The blanks around the value are the user's layout; the reader drops them.
        qsizetype start = line->equals + 1;
        qsizetype end = line->end;
        while (start < end && isBlank(m_bytes.at(start)))
            ++start;
        while (end > start && isBlank(m_bytes.at(end - 1)))
            --end;
        expected[line - m_lines.constData()] = added;
        return tryEdit(QByteArray(m_bytes).replace(start, end - start, value), expected, section, key, text);
    }
    const QByteArray eol = lineEnd();
    if (const qsizetype last = lastLineOfSection(section); last >= 0) {
        expected.insert(last + 1, added);
        const qsizetype position = endOfPhysicalLine(m_lines.at(last).end);
        return tryEdit(QByteArray(m_bytes).insert(position, eol + assignment), expected, section, key, text)
            || tryEdit(QByteArray(m_bytes).insert(position, eol + eol + assignment), expected, section, key, text);
    }
    expected.append(Reading{sectionPrefix(section), QString(), true, {}});
    expected.append(added);
    QByteArray separator;
    if (!m_bytes.isEmpty() && !isLineBreak(m_bytes.back()))
        separator += eol;
    if (!m_bytes.isEmpty() && !(m_bytes + separator).endsWith(eol + eol))
        separator += eol;
    const QByteArray tail = sectionHeader(section) + eol + assignment + eol;
    return tryEdit(m_bytes + separator + tail, expected, section, key, text)
        || tryEdit(m_bytes + separator + eol + tail, expected, section, key, text);
}

// Takes the edited text when QSettings reads it as it read this one, but
// for the key, and reads the key's text from it.
bool IniDocument::tryEdit(
    QByteArray candidate, QList<Reading> expected, const QString &section, const QString &key, const QString &text)
{
    const IniDocument edited(std::move(candidate));
    if (!edited.isValidSection(section) || edited.readings() != expected || edited.text(section, key) != text)
        return false;
    m_bytes = edited.m_bytes;
    m_lines = edited.m_lines;
    return true;
}

bool IniDocument::refuse(const QString &reason)
{
    m_refusal = reason;
    return false;
}

IniDocument::RawValue IniDocument::rawValue(const Line &line) const
{
    return unescapedValue(QByteArrayView(m_bytes).sliced(line.equals + 1, line.end - line.equals - 1));
}

QList<IniDocument::Reading> IniDocument::readings() const
{
    QList<Reading> result;
    for (const Line &line : m_lines)
        result.append(Reading{line.section, line.key, line.isHeader(), line.isHeader() ? RawValue() : rawValue(line)});
    return result;
}

// The line that QSettings reads the key from: the last one wins.
const IniDocument::Line *IniDocument::lastKeyLine(const QString &section, const QString &key) const
{
    const QString name = normalizedKey(key);
    if (!isPlainSection(section) || name.isEmpty() || (section.isEmpty() && name.contains(u'/')))
        return nullptr;
    const QString prefix = sectionPrefix(section);
    for (auto line = m_lines.crbegin(); line != m_lines.crend(); ++line) {
        if (!line->isHeader() && line->section == prefix && line->key == name)
            return &*line;
    }
    return nullptr;
}

// The index of the header of the section's last occurrence, or of the last
// key under it; -1 when the file has no such section.
qsizetype IniDocument::lastLineOfSection(const QString &section) const
{
    const QString prefix = sectionPrefix(section);
    for (qsizetype header = m_lines.size() - 1; header >= 0; --header) {
        if (m_lines.at(header).isHeader() && m_lines.at(header).section == prefix) {
            qsizetype last = header;
            while (last + 1 < m_lines.size() && !m_lines.at(last + 1).isHeader())
                ++last;
            return last;
        }
    }
    return -1;
}

qsizetype IniDocument::endOfPhysicalLine(qsizetype position) const
{
    while (position < m_bytes.size() && !isLineBreak(m_bytes.at(position)))
        ++position;
    return position;
}

// The file's own line end, so a file written on Windows stays CRLF: the one
// after the first line, as a line that goes on may hold another.
QByteArray IniDocument::lineEnd() const
{
    qsizetype first = endOfPhysicalLine(m_lines.isEmpty() ? 0 : m_lines.constFirst().end);
    if (first == m_bytes.size())
        first = endOfPhysicalLine(0);
    if (first == m_bytes.size())
        return "\n";
    if (m_bytes.at(first) == '\r' && first + 1 < m_bytes.size() && m_bytes.at(first + 1) == '\n')
        return "\r\n";
    return QByteArray(1, m_bytes.at(first));
}
