// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

#include "IniDocument.h"
#include "ResourceFile.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>

namespace {

// A file of choices is a few hundred bytes; anything much larger is some
// other file, and reading it whole at every step would stall the window.
constexpr qint64 kMaxSettingsBytes = 1024 * 1024;

// The text of the settings file: empty when there is none yet, nothing when
// it is no settings file. Opening never blocks, so a FIFO in its place
// cannot stop the program; a file of another user is not the user's choices.
std::optional<QByteArray> settingsFileBytes(const QString &path)
{
    try {
        return ReadRegularFile(path, kMaxSettingsBytes, FileOwner::CurrentUser);
    } catch (const RuntimeError &error) {
        if (error.number() == RuntimeError::FileNotFound)
            return QByteArray();
        return std::nullopt;
    }
}

// Replaces the file at once as a whole, so that no reader ever sees half of
// it: the new text goes to a file beside it, which takes its name. A link
// stays a link: the file it points to is the one replaced. The file keeps
// its permissions.
bool replaceFile(const QString &path, const QByteArray &bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
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

QString SettingsStore::Section()
{
    return QStringLiteral("Reelwright Software");
}

QString SettingsStore::readText(const QString &key, const QString &defaultText) const
{
    const std::optional<QByteArray> bytes = settingsFileBytes(m_filePath);
    if (!bytes)
        return defaultText;
    const IniDocument document(*bytes);
    if (!document.isValidSection(Section()))
        return defaultText;
    return document.text(Section(), key).value_or(defaultText);
}

bool SettingsStore::readTruth(const QString &key, bool defaultValue) const
{
    return TruthFromText(readText(key, defaultValue ? QStringLiteral("1") : QStringLiteral("0")));
}

bool SettingsStore::writeTexts(const QList<std::pair<QString, QString>> &texts)
{
    const bool saved = save(texts);
    if (!saved && !m_writeFailed) {
        m_writeFailed = true;
        if (m_onFirstWriteFailure)
            m_onFirstWriteFailure();
    }
    return saved;
}

// The file is read again right before it is changed, so a change another
// copy of the program has made meanwhile is kept.
bool SettingsStore::save(const QList<std::pair<QString, QString>> &texts)
{
    m_failure.clear();
    const std::optional<QByteArray> bytes = settingsFileBytes(m_filePath);
    if (!bytes)
        return fail(QStringLiteral("the file cannot be read as a settings file"));
    IniDocument document(*bytes);
    if (!document.isValidSection(Section()))
        return fail(QStringLiteral("the file is not one that other programs read as this program does"));
    for (const auto &[key, text] : texts) {
        if (!document.setText(Section(), key, text))
            return fail(document.refusal());
    }
    if (document.bytes() != *bytes && !replaceFile(m_filePath, document.bytes()))
        return fail(QStringLiteral("the file cannot be written"));
    return true;
}

bool SettingsStore::fail(const QString &reason)
{
    m_failure = reason;
    return false;
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

QString TextFromTruth(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}
