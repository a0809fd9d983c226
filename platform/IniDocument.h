// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The text of an INI file in QSettings' format, shared with other programs:
// texts are read as QSettings reads them, and a change touches only the line
// of the key it sets, so comments, other sections, line ends and every other
// byte stay as they are. Lines that begin with ';' or '#' are comments. The
// text of other programs' sections and of comments may be in any encoding.
class IniDocument final {
public:
    // An empty text is a valid document without sections.
    explicit IniDocument(QByteArray bytes);
    Q_DISABLE_COPY_MOVE(IniDocument)

    // True when the document is valid and the section's lines are UTF-8, as
    // every section this class writes is; only such a section is read or
    // edited. Text that is no such file (NUL bytes, a line that is neither a
    // comment, a section nor a key with its value, a quote left open) is not
    // valid, and no section of it is ever edited.
    bool isValidSection(const QString &section) const;
    const QByteArray &bytes() const { return m_bytes; }

    // The text of the key's last line in the section, or nothing when there
    // is none. A value with bare commas is a list: its items joined with ','.
    std::optional<QString> text(const QString &section, const QString &key) const;

    // Gives the key its text: the value of its line is replaced, or a line is
    // added after the section's last key, or the section is added at the
    // end. Nothing changes when the key already holds the text.
    void setText(const QString &section, const QString &key, const QString &text);

private:
    // A logical line: a section header, or a key with its value, which may
    // go on over further lines in quotes or after a backslash.
    struct Line {
        QString section; // the section the line opens or belongs to
        QString key; // empty for a header
        qsizetype start = 0;
        qsizetype equals = -1; // -1 for a header
        qsizetype end = 0; // before the line end or a trailing ';' comment
        bool isUtf8 = true;
        bool isHeader() const { return equals < 0; }
    };

    void parse();
    const Line *lastKeyLine(const QString &section, const QString &key) const;
    const Line *lastLineOfSection(const QString &section) const;
    qsizetype endOfPhysicalLine(qsizetype position) const;
    QByteArray lineEnd() const;

    QByteArray m_bytes;
    QList<Line> m_lines;
    bool m_valid = true;
};
