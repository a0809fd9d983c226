// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Resources are read only from regular files (OpensAsRegularFile): reading a
// FIFO would wait for a writer that never comes, and a device may never end.

// Whose file may be read. The user's own files are those another user
// cannot have changed under the user's name; an installed program's files
// belong to root.
enum class FileOwner { Anyone, CurrentUser, CurrentUserOrRoot };

// The whole content of the regular file at path, read at once. Throws a
// RuntimeError when the file is missing (53), not a regular file, not of the
// owner asked for or unreadable (75), or longer than maxBytes (7, the
// content is not read).
QByteArray ReadRegularFile(const QString &path, qint64 maxBytes, FileOwner owner = FileOwner::Anyone);

// Why the file at path cannot be used as such a resource, or empty text when
// it can: it is, links followed, a regular file of at most maxBytes that
// belongs to this user or to root, and it opens. What stands there is looked
// at before anything is opened, and only what was looked at is opened, so a
// FIFO or a device put in the file's place never is. Nothing is read.
QString RegularFileFault(const QString &path, qint64 maxBytes);
