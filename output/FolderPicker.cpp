// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderPicker.h"

#include "Dialogs.h"
#include "PathHelpers.h"

QString PickFolder(Dialogs &dialogs, QWidget *owner, const QString &title, const QString &startFolder)
{
    const QString start = IsFolder(startFolder) ? startFolder : QString();
    QString chosen = dialogs.chooseFolder(owner, title, start);
    while (chosen.size() > 1 && chosen.endsWith(u'/'))
        chosen.chop(1);
    return IsFolder(chosen) ? chosen : QString();
}
