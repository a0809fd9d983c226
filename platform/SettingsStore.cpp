// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

#include "IniDocument.h"
#include "RegularFile.h"
#include "ResourceFile.h"
#include "RuntimeError.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QThread>

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

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

// How long a write waits for another program to finish writing the file.
constexpr int kLockWaitMilliseconds = 1000;

// Why the lock file that QSettings takes around a change of the file (the
// file's name and ".lock") cannot be taken, or nothing when it can. It is
// looked at before QLockFile reads it, which would wait for ever on a FIFO.
std::optional<QString> lockFileFault(const QString &lockPath)
{
    struct stat info { };
    if (::lstat(QFile::encodeName(lockPath).constData(), &info) != 0)
        return errno == ENOENT ? std::nullopt
                               : std::optional(QStringLiteral("its lock file %1 cannot be looked at: %2")
                                                   .arg(QDir::toNativeSeparators(lockPath), qt_error_string(errno)));
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("its lock file %1 is %2, not a file")
            .arg(QDir::toNativeSeparators(lockPath), EntryKindText(KindOfEntry(info.st_mode)));
    if (info.st_uid != ::geteuid())
        return QStringLiteral("its lock file %1 belongs to another user").arg(QDir::toNativeSeparators(lockPath));
    return std::nullopt;
}

// Takes the lock, trying again every few milliseconds for up to wait of
// them: QLockFile's own waiting grows to seconds between tries, and would
// miss the moments between the writes of a program that writes often.
bool takeLock(QLockFile &lock, int wait)
{
    QElapsedTimer waited;
    waited.start();
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || waited.elapsed() >= wait)
            return false;
        QThread::msleep(2);
    }
    return true;
}

// Replaces the file at once as a whole, so that no reader ever sees half of
// it: the new text goes to a file beside it, which takes its name. A link
// stays a link: the file it points to is the one replaced. The file keeps
// its permissions.
bool replaceFile(const QString &path, const QByteArray &bytes)
{
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

// The change is made as QSettings makes one: the file's lock is taken, the
// file read as it is now, changed and replaced, and only then is the lock
// given back, so that no change of another program's, or of another copy
// of this one, is lost.
bool SettingsStore::save(const QList<std::pair<QString, QString>> &texts)
{
    m_failure.clear();
    if (!QDir().mkpath(QFileInfo(m_filePath).absolutePath()))
        return fail(QStringLiteral("its folder cannot be made"));
    const QString lockPath = m_filePath + QStringLiteral(".lock");
    if (const std::optional<QString> fault = lockFileFault(lockPath))
        return fail(*fault);
    QLockFile lock(lockPath);
    // Once a write has waited in vain, the next ones do not wait: every
    // keystroke in the folder box is a write.
    if (!takeLock(lock, m_lockWasBusy ? 0 : kLockWaitMilliseconds)) {
        m_lockWasBusy = lock.error() == QLockFile::LockFailedError;
        return fail(m_lockWasBusy
                ? QStringLiteral("another program has been writing it for too long")
                : QStringLiteral("its lock file %1 cannot be made").arg(QDir::toNativeSeparators(lockPath)));
    }
    m_lockWasBusy = false;
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
    if (document.bytes().size() > kMaxSettingsBytes)
        return fail(QStringLiteral("it would grow past %1 bytes, and a larger file is not read as a settings file")
                        .arg(kMaxSettingsBytes));
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
