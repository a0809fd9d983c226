// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class Dialogs;
class QWidget;

// Asks the user for an existing folder in a modal dialog owned by owner,
// opened at startFolder (the dialog's own place when that is empty or gone).
// Returns the folder's path, ending in '/' only for the root, or the empty
// text when the user cancels or picks nothing that is a folder.
QString PickFolder(Dialogs &dialogs, QWidget *owner, const QString &title, const QString &startFolder);
