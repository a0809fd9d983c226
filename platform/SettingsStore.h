// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <utility>

// The user's remembered choices: texts by key in the section "Reelwright
// Software" of the INI file "Kestrune.ini" in the user's configuration
// folder, in QSettings' format. The file is shared with the maker's other
// programs: a write changes only the lines of the keys it writes, and leaves
// comments, other sections and every other byte as they are. Every read
// reads the file once as it is now and every write goes to disk at once, so
// two copies of the program share their choices and the last write wins. A
// write holds the lock QSettings holds around its own (the file's name and
// ".lock"), so that no key of anyone's is lost to two writes at once.
class SettingsStore final {
public:
    explicit SettingsStore(QString filePath = DefaultFilePath());
    Q_DISABLE_COPY_MOVE(SettingsStore)

    // $XDG_CONFIG_HOME/Kestrune.ini, or ~/.config/Kestrune.ini.
    static QString DefaultFilePath();
    // The section of the file the program's keys are in.
    static QString Section();

    const QString &filePath() const { return m_filePath; }

    // The stored text, or defaultText when the key is missing or the file
    // is no settings file. An empty stored text is a stored value.
    QString readText(const QString &key, const QString &defaultText) const;

    // The stored truth value (see TruthFromText). Throws
    // RuntimeError::TypeMismatch when the stored text is no truth value.
    bool readTruth(const QString &key, bool defaultValue) const;

    // Stores the texts by key, in one reading and one replacing of the file,
    // which is not written at all when it holds them already. False, and the
    // file left as it was, when they could not be saved: the file is no
    // settings file, a text cannot be written so that other programs read
    // it back, the file would grow past what is read as a settings file,
    // its lock is held by another writer for more than a second (after
    // which the next writes do not wait until one succeeds), its lock file
    // is not a file of this user's, or the file cannot be written;
    // failure() then tells why.
    bool writeTexts(const QList<std::pair<QString, QString>> &texts);
    bool writeText(const QString &key, const QString &text) { return writeTexts({{key, text}}); }
    const QString &failure() const { return m_failure; }

    // Called after the first write that could not be saved, and only then.
    void setFirstWriteFailureHandler(std::function<void()> handler) { m_onFirstWriteFailure = std::move(handler); }

private:
    bool save(const QList<std::pair<QString, QString>> &texts);
    bool fail(const QString &reason);

    QString m_filePath;
    QString m_failure;
    std::function<void()> m_onFirstWriteFailure;
    bool m_writeFailed = false;
    bool m_lockWasBusy = false; // the last write found the file's lock held too long
};

// "True" and "False" in any letter case, or a number: false when it is 0,
// true otherwise. Throws RuntimeError::TypeMismatch for any other text.
bool TruthFromText(const QString &text);

// "True" or "False", as truth values are stored.
QString TextFromTruth(bool value);
