// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>

#include <optional>

class ConversionHost;

// The files a run has still to convert. The user may reorder the list while
// the run goes on, so the run never reads the next file by its position: it
// takes the first item, in the list's order at that moment, that was listed
// when the run began and that it has not taken yet. Items are nothing but
// their texts (a reorder exchanges texts), so the k-th item holding a text
// counts as taken once the run has taken that text k times; an item listed
// twice is converted twice, and an item added later is not converted.
class PendingFiles final {
public:
    PendingFiles() = default;
    Q_DISABLE_COPY_MOVE(PendingFiles)

    // Notes every item of the list as it stands now.
    void listFrom(const ConversionHost &host);

    // The text of the next item to convert, now taken; none when no item of
    // those listed is left in the list.
    std::optional<QString> takeNext(const ConversionHost &host);

private:
    QHash<QString, int> m_listed;
    QHash<QString, int> m_taken;
};
