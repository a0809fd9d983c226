// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class Dialogs;
class FileListWidget;
class QWidget;

// "Add AVI File(s)": asks for files with the open-file dialog and appends each
// chosen file to the list.
void AddFilesByDialog(Dialogs &dialogs, QWidget *owner, FileListWidget &list);
