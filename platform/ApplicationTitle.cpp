// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplicationTitle.h"

namespace {

constexpr qsizetype kLongestTitle = 40;

QString &titleSlot()
{
    static QString title;
    return title;
}

} // namespace

QString ApplicationTitle()
{
    return titleSlot();
}

void SetApplicationTitle(const QString &title)
{
    titleSlot() = title;
}

QString DeriveApplicationTitle(const QString &productName)
{
    QString title = productName;
    do {
        const qsizetype lastBlank = title.lastIndexOf(u' ');
        if (lastBlank < 0)
            break;
        title.truncate(lastBlank);
    } while (title.size() > kLongestTitle);
    return title;
}
