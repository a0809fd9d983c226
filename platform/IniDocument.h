// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The text of an INI file in QSettings' format, shared with other programs:
// texts are read as QSettings reads them, and a change touches only the line
// of the key it sets, so comments, other sections, line ends and every other
// byte stay as they are. Lines that begin with ';' are comments, and so are
// lines that begin with '#' and hold no '=' outside quotes; QSettings reads
// '#' lines as any other line, so a quote in one goes on over the line end.
// The text of other programs' sections and of comments may be in any
// encoding.
//
// Sections and keys are named as QSettings names them: "" is the general
// section, and a key is taken as QSettings takes it, with the '/' at its
// ends dropped and '/' repeated inside it taken once.
class IniDocument final {
public:
    // An empty text is a valid document without sections.
    explicit IniDocument(QByteArray bytes);
    Q_DISABLE_COPY_MOVE(IniDocument)

    // True when the document is valid and the section's lines are UTF-8, as
    // every section this class writes is; only such a section is read or
    // edited. Text that is no such file (NUL bytes, a line that is neither a
    // comment, a section nor a key with its value, a quote left open) is not
    // valid, and no section of it is ever edited. Nor is a section under
    // which the file has another ("[Section\Sub]"): QSettings then reads
    // none of the section's keys.
    bool isValidSection(const QString &section) const;
    const QByteArray &bytes() const { return m_bytes; }

    // The text QSettings reads for the key, or nothing when it reads none or
    // a value that is no text (one of its typed values such as @Rect(...)).
    // A value with bare commas is a list: its items joined with ','.
    std::optional<QString> text(const QString &section, const QString &key) const;

    // Gives the key its text: the value of its line is replaced, or a line is
    // added after the section's last key, or the section is added at the
    // end. Nothing changes when QSettings reads the text for the key already.
    // False, with the reason in refusal(), and nothing changed, when the text
    // cannot be stored so that QSettings reads it back and reads every other
    // line as before.
    bool setText(const QString &section, const QString &key, const QString &text);
    const QString &refusal() const { return m_refusal; }

    // A value as QSettings unescapes it, before it tells typed values apart.
    struct RawValue {
        QString text;
        QStringList items; // the items, when it has bare commas
        bool isList = false;
        bool operator==(const RawValue &) const = default;
    };

private:
    // A logical line: a section header, or a key with its value, which may
    // go on over further lines in quotes or after a backslash.
    struct Line {
        QString section; // as QSettings prefixes its keys: "" or "name/"
        QString key; // empty for a header
        qsizetype start = 0;
        qsizetype equals = -1; // -1 for a header
        qsizetype end = 0; // before the line end or a trailing ';' comment
        bool isUtf8 = true;
        bool isHeader() const { return equals < 0; }
    };

    // What QSettings reads from a line, wherever it is in the file.
    struct Reading {
        QString section;
        QString key;
        bool isHeader = false;
        RawValue value;
        bool operator==(const Reading &) const = default;
    };

    bool readLine(qsizetype &position, Line &line, bool &quoteLeftOpen) const;
    void parse();
    RawValue rawValue(const Line &line) const;
    QList<Reading> readings() const;
    bool edit(const QString &section, const QString &key, const QString &text);
    bool tryEdit(
        QByteArray candidate, QList<Reading> expected, const QString &section, const QString &key, const QString &text);
    bool refuse(const QString &reason);
    const Line *lastKeyLine(const QString &section, const QString &key) const;
    qsizetype lastLineOfSection(const QString &section) const;
    qsizetype endOfPhysicalLine(qsizetype position) const;
    QByteArray lineEnd() const;

    QByteArray m_bytes;
    QList<Line> m_lines;
    QString m_refusal;
    bool m_valid = true;
};
