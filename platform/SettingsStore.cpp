// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

#include "RuntimeError.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>

namespace {

const QString kSection = QStringLiteral("Reelwright Software");

QString storedText(const QVariant &value)
{
    // A hand-edited value with bare commas reads as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

// A line of an INI file as the store writes and reads it: empty, a comment,
// a section header, or a key with its value. Only ';' starts a comment for
// the library; a '#' line would make it fail after it has rewritten the file.
bool isIniLine(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    return trimmed.isEmpty() || trimmed.startsWith(u';')
        || (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) || trimmed.contains(u'=');
}

} // namespace

bool IsSoundSettingsFile(const QString &filePath)
{
    const QFileInfo info(filePath);
    if (!info.exists() && !info.isSymLink())
        return true;
    QFile file(filePath);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.contains('\0'))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return false;
    // A value may go on over the next line after a backslash.
    const QString joined = QString(text).replace(QStringLiteral("\\\n"), QString());
    const QStringList lines = joined.split(u'\n');
    return std::all_of(lines.cbegin(), lines.cend(), [](const QString &line) { return isIniLine(line); });
}

SettingsStore::SettingsStore(QString filePath)
    : m_filePath(std::move(filePath))
{
}

QString SettingsStore::DefaultFilePath()
{
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.config");
    return folder + QStringLiteral("/Kestrune.ini");
}

QString SettingsStore::readText(const QString &key, const QString &defaultText) const
{
    if (!IsSoundSettingsFile(m_filePath))
        return defaultText;
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.beginGroup(kSection);
    if (settings.status() != QSettings::NoError || !settings.contains(key))
        return defaultText;
    return storedText(settings.value(key));
}

bool SettingsStore::readTruth(const QString &key, bool defaultValue) const
{
    return TruthFromText(readText(key, defaultValue ? QStringLiteral("1") : QStringLiteral("0")));
}

bool SettingsStore::writeText(const QString &key, const QString &text)
{
    bool saved = false;
    // A file we cannot read or make sense of would be written back without
    // what is in it: the library reports a damaged file only after it has
    // rewritten it, so the file is judged here first.
    if (IsSoundSettingsFile(m_filePath)) {
        QSettings settings(m_filePath, QSettings::IniFormat);
        if (settings.isWritable() && settings.status() == QSettings::NoError) {
            settings.beginGroup(kSection);
            settings.setValue(key, text);
            settings.endGroup();
            settings.sync();
            saved = settings.status() == QSettings::NoError;
        }
    }
    if (!saved && !m_writeFailed) {
        m_writeFailed = true;
        if (m_onFirstWriteFailure)
            m_onFirstWriteFailure();
    }
    return saved;
}

bool SettingsStore::writeTruth(const QString &key, bool value)
{
    return writeText(key, value ? QStringLiteral("True") : QStringLiteral("False"));
}

bool TruthFromText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool isNumber = false;
    const double number = trimmed.toDouble(&isNumber);
    if (!isNumber)
        throw RuntimeError(RuntimeError::TypeMismatch);
    return number != 0.0;
}
