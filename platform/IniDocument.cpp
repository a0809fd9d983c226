// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "IniDocument.h"

#include <QStringList>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineBreak(char c)
{
    return c == '\n' || c == '\r';
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

// "General" names the keys outside any section; a section of that name is
// written as "%General".
QString sectionName(QByteArrayView bytes)
{
    if (bytes.compare("general", Qt::CaseInsensitive) == 0)
        return {};
    if (bytes.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(bytes.sliced(1));
    return unescapedKey(bytes);
}

QByteArray sectionHeader(const QString &section)
{
    if (section.isEmpty())
        return "[General]";
    if (section.compare(u"general", Qt::CaseInsensitive) == 0)
        return "[%General]";
    return '[' + escapedKey(section) + ']';
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

QString untypedText(const QString &value)
{
    if (value.startsWith(u"@String(") && value.endsWith(u')'))
        return value.sliced(8).chopped(1);
    return value.startsWith(u"@@") ? value.sliced(1) : value;
}

// A text as QSettings writes it: other control characters as \0 and \xN, a
// hex digit right after one escaped too (the reader would take it into the
// code), and quotes around the whole when it holds ';', ',' or '=' or begins
// or ends with a blank, so that the reader neither ends the line, nor makes
// a list, nor trims it.
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
        } else if (code < 0x20) {
            result += code == 0 ? QByteArray("\\0") : "\\x" + QByteArray::number(code, 16);
            escapeHexDigit = true;
        } else if (code < 0x80) {
            result += char(code);
        } else {
            const bool pair = c.isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate();
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
// a list, whose items are joined with ',' here.
QString unescapedText(QByteArrayView value)
{
    QStringList items;
    QString item;
    bool isList = false;
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
            isList = true;
            items.append(item);
            item.clear();
            quoted = false;
            ++i;
            skipBlanks();
        } else {
            qsizetype end = i + 1;
            while (end < value.size() && value.at(end) != '\\' && value.at(end) != '"' && value.at(end) != ',')
                ++end;
            item += QString::fromUtf8(value.sliced(i, end - i));
            i = end;
        }
    }
    if (trimEnd && !quoted)
        chopBlanks();
    if (!isList)
        return untypedText(item);
    items.append(item);
    for (QString &listItem : items)
        listItem = untypedText(listItem);
    return items.join(u',');
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
// or after a backslash, and an unquoted ';' ends it.
void IniDocument::parse()
{
    m_lines.clear();
    const qsizetype size = m_bytes.size();
    QString section;
    qsizetype i = m_bytes.startsWith("\xef\xbb\xbf") ? 3 : 0;
    for (;;) {
        while (i < size && (isBlank(m_bytes.at(i)) || isLineBreak(m_bytes.at(i))))
            ++i;
        if (i == size)
            return;
        if (m_bytes.at(i) == ';' || m_bytes.at(i) == '#') {
            i = endOfPhysicalLine(i);
            continue;
        }
        Line line;
        line.start = i;
        bool inQuotes = false;
        while (i < size) {
            const char c = m_bytes.at(i);
            if (c == '\\') {
                if (++i < size) {
                    const char escaped = m_bytes.at(i++);
                    if (i < size && isLineBreak(escaped) && isLineBreak(m_bytes.at(i)) && m_bytes.at(i) != escaped)
                        ++i;
                }
                continue;
            }
            if (c == '"')
                inQuotes = !inQuotes;
            else if (!inQuotes && (isLineBreak(c) || c == ';'))
                break;
            else if (c == '=' && !inQuotes && line.equals < 0)
                line.equals = i;
            ++i;
        }
        line.end = i;
        // A quote left open takes in the rest of the file: where a line would
        // be added cannot be told.
        if (inQuotes) {
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
            section = sectionName(text.sliced(1, close - 1).trimmed());
            line.equals = -1;
        } else if (line.equals < 0) {
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
    return m_valid && std::all_of(m_lines.cbegin(), m_lines.cend(), [&](const Line &line) {
        return line.section != section || line.isUtf8;
    });
}

std::optional<QString> IniDocument::text(const QString &section, const QString &key) const
{
    const Line *line = lastKeyLine(section, key);
    if (!line)
        return std::nullopt;
    return unescapedText(QByteArrayView(m_bytes).sliced(line->equals + 1, line->end - line->equals - 1));
}

void IniDocument::setText(const QString &section, const QString &key, const QString &text)
{
    if (!isValidSection(section) || this->text(section, key) == text)
        return;
    const QByteArray value = escapedText(text);
    if (const Line *line = lastKeyLine(section, key)) {
        // The blanks around the value are the user's layout; the reader drops them.
        qsizetype start = line->equals + 1;
        qsizetype end = line->end;
        while (start < end && isBlank(m_bytes.at(start)))
            ++start;
        while (end > start && isBlank(m_bytes.at(end - 1)))
            --end;
        m_bytes.replace(start, end - start, value);
    } else if (const Line *last = lastLineOfSection(section)) {
        m_bytes.insert(endOfPhysicalLine(last->end), lineEnd() + escapedKey(key) + '=' + value);
    } else {
        const QByteArray eol = lineEnd();
        QByteArray added;
        if (!m_bytes.isEmpty() && !isLineBreak(m_bytes.back()))
            added += eol;
        if (!m_bytes.isEmpty() && !(m_bytes + added).endsWith(eol + eol))
            added += eol;
        added += sectionHeader(section) + eol + escapedKey(key) + '=' + value + eol;
        m_bytes += added;
    }
    parse();
}

// The line that QSettings reads the key from: the last one wins.
const IniDocument::Line *IniDocument::lastKeyLine(const QString &section, const QString &key) const
{
    for (auto line = m_lines.crbegin(); line != m_lines.crend(); ++line) {
        if (!line->isHeader() && line->section == section && line->key == key)
            return &*line;
    }
    return nullptr;
}

// The header of the section's last occurrence, or the last key under it.
const IniDocument::Line *IniDocument::lastLineOfSection(const QString &section) const
{
    for (qsizetype header = m_lines.size() - 1; header >= 0; --header) {
        if (m_lines.at(header).isHeader() && m_lines.at(header).section == section) {
            qsizetype last = header;
            while (last + 1 < m_lines.size() && !m_lines.at(last + 1).isHeader())
                ++last;
            return &m_lines.at(last);
        }
    }
    return nullptr;
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
