// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class RuntimeError;

// The bytes the file system is given for a path.
QByteArray NativePath(const QString &path);

// The program's text for a name read from a folder. Names are UTF-8; a byte
// that is not part of valid UTF-8 becomes '?', as a name that the program's
// character set cannot hold always has, so such a name never opens again.
// exact tells whether the text leads back to the name.
QString NameFromNative(const char *name, bool &exact);

// The runtime error for a failed call on a path: 53 for a missing entry,
// 76 when a part of the path is no folder, 70 when access is refused, 75
// for anything else.
RuntimeError EntryError(int errorNumber, const QString &path);
