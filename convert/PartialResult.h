// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The converter writes each result under a hidden name of its own beside the
// destination, and the result takes its real name only once it is whole, and
// only while no file of that name exists. So an unfinished result is always
// this run's own to remove, and a file that appears at the destination
// meanwhile (another copy of the program converting the same file, say) is
// never replaced or removed.
//
// The hidden name is "." + the result's name + ".part-" + the process id of
// the run + "-" + eight random letters and digits. The result's name is
// shortened there as far as needed to keep the hidden name within the 255
// bytes a file name may have, so any name the file system takes converts.

// A hidden name beside destination that nothing uses now.
QString PartialResultPath(const QString &destination);

// Gives the whole result at partial its real name without replacing anything.
// Its data reaches the disk first, so that a power cut after the rename
// leaves the whole result or none. The empty text when it did, else why it
// did not; partial is then left as it is.
QString PublishResult(const QString &partial, const QString &destination);

// Hidden results that a run of this program left behind when it was killed
// or crashed, or the machine went down: files of this user whose name holds
// the id of a process that is gone or is not this program. A run removes
// those of each result's name before it writes that result. Each folder is
// read once per run, so a large folder costs one reading, not one a file.
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
