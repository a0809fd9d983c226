// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The converter writes each result under a hidden name of its own beside the
// destination, and the result takes its real name only once it is whole, and
// only while no file of that name exists. So an unfinished result is always
// this run's own to remove, and a file that appears at the destination
// meanwhile (another copy of the program converting the same file, say) is
// never replaced or removed.

// A hidden name beside destination that nothing uses now.
QString PartialResultPath(const QString &destination);

// Gives the whole result at partial its real name without replacing anything.
// The empty text when it did, else why it did not; partial is then left as it
// is.
QString PublishResult(const QString &partial, const QString &destination);
