// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

// The user's remembered choices: texts by key in the section "Reelwright
// Software" of the INI file "Kestrune.ini" in the user's configuration
// folder. Every write goes to disk at once and every read reads the file
// again, so two copies of the program share their choices and the last write
// wins. Keys the program does not know are kept.
class SettingsStore final {
public:
    explicit SettingsStore(QString filePath = DefaultFilePath());
    Q_DISABLE_COPY_MOVE(SettingsStore)

    // $XDG_CONFIG_HOME/Kestrune.ini, or ~/.config/Kestrune.ini.
    static QString DefaultFilePath();

    const QString &filePath() const { return m_filePath; }

    // The stored text, or defaultText when the key is missing or the file
    // cannot be read. An empty stored text is a stored value.
    QString readText(const QString &key, const QString &defaultText) const;

    // The stored truth value (see TruthFromText). Throws
    // RuntimeError::TypeMismatch when the stored text is no truth value.
    bool readTruth(const QString &key, bool defaultValue) const;

    // Stores the text; false when it could not be saved.
    bool writeText(const QString &key, const QString &text);
    bool writeTruth(const QString &key, bool value);

    // Called after the first write that could not be saved, and only then.
    void setFirstWriteFailureHandler(std::function<void()> handler) { m_onFirstWriteFailure = std::move(handler); }

private:
    QString m_filePath;
    std::function<void()> m_onFirstWriteFailure;
    bool m_writeFailed = false;
};

// True when the file is missing (it will be made) or is a readable INI file:
// UTF-8 text whose every line is empty, a ';' comment, a section header or a
// key with its value. Any other file is never written; reads then give defaults.
bool IsSoundSettingsFile(const QString &filePath);

// "True" and "False" in any letter case, or a number: false when it is 0,
// true otherwise. Throws RuntimeError::TypeMismatch for any other text.
bool TruthFromText(const QString &text);
