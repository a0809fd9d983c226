// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

#include "RuntimeError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kSection = QStringLiteral("Reelwright Software");

QString storedText(const QVariant &value)
{
    // A hand-edited value with bare commas reads as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

} // namespace

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
    // A file we cannot read would be written back without the keys in it.
    const QFileInfo file(m_filePath);
    if (!file.exists() || file.isReadable()) {
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
