// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The settings file against QSettings. An input is a file, optionally
// followed by a NUL, a key, and another NUL and a text to give it (UTF-8, or
// UTF-16LE when its first byte is 1). For the program's own keys and the
// fuzzed one:
//  - where IniDocument takes the program's section as valid, it reads what
//    QSettings reads; where it does not, it refuses every write;
//  - a write that is not refused is read back by QSettings exactly, and
//    QSettings reads every other key of the file as before, and the bytes
//    outside the one region the write changed stay as they were.
#include "AddAllInFolder.h"
#include "FuzzSupport.h"
#include "IniDocument.h"
#include "OutputOptions.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// QSettings keeps a file it has read by name and reads it again only when
// its size or time changes: every text is read from a new file.
class ReferenceFile final {
public:
    explicit ReferenceFile(const QByteArray &bytes)
        : m_path(folder().filePath(QString::number(++s_count) + QStringLiteral(".ini")))
    {
        QFile file(m_path);
        FuzzCheck(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), "the file is written", m_path);
        file.close();
        m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    }
    ~ReferenceFile()
    {
        m_settings.reset();
        QFile::remove(m_path);
    }
    Q_DISABLE_COPY_MOVE(ReferenceFile)

    QSettings &settings() { return *m_settings; }

private:
    static const QTemporaryDir &folder()
    {
        static const QTemporaryDir dir;
        return dir;
    }

    static inline int s_count = 0;
    QString m_path;
    std::unique_ptr<QSettings> m_settings;
};

// A value as the program takes it: a string, or a list of strings joined
// with ','; a typed value of any other kind is no text.
std::optional<QString> textOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (value.typeId() != QMetaType::QStringList && value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList items;
    for (const QVariant &item : value.toList()) {
        if (item.typeId() != QMetaType::QString)
            return std::nullopt;
        items.append(item.toString());
    }
    return items.join(u',');
}

QString shown(const std::optional<QString> &text)
{
    if (!text)
        return QStringLiteral("(none)");
    QString codes;
    for (const QChar c : *text)
        codes += QString::number(c.unicode(), 16) + u' ';
    return u'"' + *text + QStringLiteral("\" ") + codes;
}

QString fullKey(const QString &key)
{
    return SettingsStore::Section() + u'/' + key;
}

QString normalizedKey(const QString &key)
{
    return key.split(u'/', Qt::SkipEmptyParts).join(u'/');
}

// Every key QSettings reads with its value, as bytes so that values of any
// type compare, but those it looks up as the written one.
QMap<QString, QByteArray> everyValue(QSettings &settings, const QString &written)
{
    QMap<QString, QByteArray> values;
    for (const QString &key : settings.allKeys()) {
        if (normalizedKey(key) == written)
            continue;
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream << settings.value(key);
        values.insert(key, bytes);
    }
    return values;
}

// UTF-16LE after a byte 1, so that any code unit can be fuzzed; UTF-8 else.
QString textOfBytes(QByteArrayView bytes)
{
    if (!bytes.startsWith('\x01'))
        return QString::fromUtf8(bytes);
    QString text;
    for (qsizetype i = 1; i + 1 < bytes.size(); i += 2)
        text += QChar(char16_t(uchar(bytes.at(i)) | uchar(bytes.at(i + 1)) << 8));
    return text;
}

bool namesASetting(const QString &key)
{
    return !normalizedKey(key).isEmpty();
}

void checkReading(const IniDocument &document, ReferenceFile &reference, const QStringList &keys)
{
    for (const QString &key : keys) {
        const std::optional<QString> ours = document.text(SettingsStore::Section(), key);
        const std::optional<QString> theirs = textOf(reference.settings().value(fullKey(key)));
        FuzzCheck(ours == theirs, "the program reads a key as QSettings does",
            key + QStringLiteral(": ours ") + shown(ours) + QStringLiteral(", QSettings' ") + shown(theirs));
    }
}

// The bytes outside the region a write changed stay as they were: the one
// region between the longest common start and end.
void checkOneRegion(const QByteArray &before, const QByteArray &after)
{
    qsizetype start = 0;
    while (start < before.size() && start < after.size() && before.at(start) == after.at(start))
        ++start;
    qsizetype end = 0;
    while (end < before.size() - start && end < after.size() - start
        && before.at(before.size() - 1 - end) == after.at(after.size() - 1 - end))
        ++end;
    if (start + end == before.size())
        return; // only added
    // A value replaced: what goes begins after the '=' of its line.
    const qsizetype lineStart = std::max(before.lastIndexOf('\n', start - 1), before.lastIndexOf('\r', start - 1)) + 1;
    FuzzCheck(start > 0 && before.sliced(lineStart, start - lineStart).contains('='),
        "a write changes nothing but a value", QString::fromLatin1(before.sliced(start).toPercentEncoding()));
}

// The file after the write, or as it was when the write was refused.
QByteArray checkWrite(const QByteArray &bytes, const QString &key, const QString &text)
{
    IniDocument document(bytes);
    const bool valid = document.isValidSection(SettingsStore::Section());
    const bool written = document.setText(SettingsStore::Section(), key, text);
    if (!namesASetting(key))
        FuzzCheck(!written, "a key that names no setting is never written", key);
    if (!written || !valid) {
        FuzzCheck(!written, "a section that is not valid is never written", key);
        FuzzCheck(document.bytes() == bytes, "a refused write changes nothing", document.refusal());
        if (!written && valid && qEnvironmentVariableIsSet("FUZZ_SHOW_REFUSALS"))
            std::fprintf(stderr, "refused: %s\n", qUtf8Printable(document.refusal()));
        return bytes;
    }
    const QByteArray after = document.bytes();
    FuzzCheck(document.text(SettingsStore::Section(), key) == text, "the program reads back what it wrote",
        shown(document.text(SettingsStore::Section(), key)));
    ReferenceFile before(bytes);
    ReferenceFile changed(after);
    const std::optional<QString> readBack = textOf(changed.settings().value(fullKey(key)));
    FuzzCheck(readBack == text, "QSettings reads back what the program wrote",
        QStringLiteral("wrote ") + shown(text) + QStringLiteral(", QSettings read ") + shown(readBack)
            + QStringLiteral("\nfile: ") + QString::fromLatin1(after.toPercentEncoding(" =[]\\\"")));
    const QString writtenKey = normalizedKey(fullKey(key));
    const QMap<QString, QByteArray> expected = everyValue(before.settings(), writtenKey);
    const QMap<QString, QByteArray> found = everyValue(changed.settings(), writtenKey);
    FuzzCheck(expected == found, "QSettings reads every other key as before",
        QStringList(expected.keys()).join(u',') + QStringLiteral(" / ") + QStringList(found.keys()).join(u','));
    checkOneRegion(bytes, after);
    return after;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzApplication<QCoreApplication>();
    const QByteArray input = FuzzBytes(data, size);
    const qsizetype keyStart = input.indexOf('\0');
    const QByteArray file = keyStart < 0 ? input : input.first(keyStart);
    QStringList keys{OutputKey::Text1, OutputKey::Option1, OutputKey::Option2, OutputKey::LastFolderDot,
        AddAllKey::Extension, AddAllKey::LastFolder};
    QList<std::pair<QString, QString>> writes{
        {AddAllKey::LastFolder, QStringLiteral("/media/fuzz")}, {OutputKey::Text1, QStringLiteral("C:\\new, \"dir\"")}};
    if (keyStart >= 0) {
        const QByteArrayView rest = QByteArrayView(input).sliced(keyStart + 1);
        const qsizetype textStart = rest.indexOf('\0');
        const QString key = QString::fromUtf8(textStart < 0 ? rest : rest.first(textStart));
        if (namesASetting(key))
            keys.append(key);
        writes = {{key, textStart < 0 ? QStringLiteral("/fuzz") : textOfBytes(rest.sliced(textStart + 1))}};
    }

    const IniDocument document(file);
    if (document.isValidSection(SettingsStore::Section())) {
        ReferenceFile reference(file);
        checkReading(document, reference, keys);
    }
    QByteArray bytes = file;
    for (const auto &[key, text] : writes)
        bytes = checkWrite(bytes, key, text);
    return 0;
}
