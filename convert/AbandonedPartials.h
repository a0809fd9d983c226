// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Hidden results that a run of this program left behind when it was killed
// or crashed, or the machine went down. A run removes those of each
// result's name before it writes that result. Only a regular file of this
// user's own is removed, and only when no run holds its lock and the run
// its name tells of is gone: a file kept by mistake is harmless, one removed
// by mistake is lost. Each folder is read once per run, so a large folder
// costs one reading, not one a file.
class AbandonedPartials final {
public:
    AbandonedPartials() = default;
    Q_DISABLE_COPY_MOVE(AbandonedPartials)

    void removeFor(const QString &destination);
    // Forgets what was read, for the next run.
    void reset() { m_folders.clear(); }

private:
    // Folder, then hidden names by the prefix they start with.
    QHash<QString, QHash<QString, QStringList>> m_folders;
};
