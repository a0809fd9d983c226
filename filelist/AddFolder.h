// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// The names of the files in folder that match pattern and can be opened, in
// listing order; hidden files are included, folders are not. Empty when none
// qualifies or the folder is missing. Throws RuntimeError when the folder
// cannot be read.
QStringList ListFilesInFolder(const QString &folder, const QString &pattern);

// True only for a regular file that can be reached; never blocks, never
// throws.
bool FileCanBeOpened(const QString &path);

// True when the name holds a character the program cannot pass on safely: a
// control character (codes below 32 and 127 to 159) or '?', which also
// stands for every character the program's character set cannot hold.
bool HasUnsafeCharacters(const QString &name);
