// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileListWidget.h"

#include <QStringList>

// The texts of the list's items, from the top.
inline QStringList itemsOf(const FileListWidget &list)
{
    QStringList items;
    for (int i = 1; i <= list.count(); ++i)
        items << list.textAt(i);
    return items;
}
