// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class Dialogs;
class FileListWidget;

// The folder of example clips beside the program.
QString SampleFolder(const QString &programFolder);

// The question asked after the samples have been listed.
QString OpenSampleFolderQuestion();

// What the user is told when the desktop could not open the sample folder,
// so that they can find it themselves.
QString SampleFolderNotOpenedMessage(const QString &folder);

// "Load Sample/Example Files": appends every sample clip that is not listed
// yet, then offers to open the sample folder in the file manager, and names the
// folder when the desktop cannot open it. Throws
// RuntimeError when the folder cannot be read; the clips appended so far
// stay and the question is not asked.
void LoadSampleFiles(Dialogs &dialogs, FileListWidget &list, const QString &programFolder);
