// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PendingFiles.h"

#include "ConversionHost.h"

void PendingFiles::listFrom(const ConversionHost &host)
{
    m_listed.clear();
    m_taken.clear();
    const int count = host.itemCount();
    for (int index = 1; index <= count; ++index)
        ++m_listed[host.itemText(index)];
}

std::optional<QString> PendingFiles::takeNext(const ConversionHost &host)
{
    // How often a text listed more than once has been met on the way down.
    QHash<QString, int> seen;
    const int count = host.itemCount();
    for (int index = 1; index <= count; ++index) {
        const QString text = host.itemText(index);
        const int listed = m_listed.value(text);
        const int taken = m_taken.value(text);
        if (taken >= listed)
            continue;
        if (listed == 1 || ++seen[text] > taken) {
            ++m_taken[text];
            return text;
        }
    }
    return std::nullopt;
}
