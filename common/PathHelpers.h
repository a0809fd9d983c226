// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Small path and file helpers that the window's actions share. Paths use '/'
// as the separator. The helpers that find a position throw
// RuntimeError::Overflow when it lies beyond character 32,767, because the
// callers keep positions in 16-bit numbers.

// The folder part of a path, its last '/' included; empty when there is none.
QString FolderOfPath(const QString &path);

// Everything after the last '/'; the whole text when there is none.
QString FileNameOfPath(const QString &path);

// The text before its last '.', searched over the whole text (folder names
// included); unchanged when there is no dot or the only dot comes first.
QString StripExtension(const QString &text);

// Replaces every non-overlapping "//" by "/" in one pass from the left; a
// leading run of '/' becomes exactly one.
QString CollapseBackslashes(const QString &path);

// True when the named entry exists; never throws.
bool FileExists(const QString &path);

// True when the path names a folder (or a link to one); never throws.
bool IsFolder(const QString &path);

// Writes all bytes from the start of the file, creating it when missing. An
// existing file is not shortened. Throws RuntimeError on failure.
void WriteBytesToFile(const QByteArray &bytes, const QString &path);

// Deletes a file and ignores every failure.
void DeleteFileQuietly(const QString &path);

// Special folder ids understood by SpecialFolderBuffer.
enum SpecialFolder : qint32 {
    SpecialFolderDesktop = 0x00,
    SpecialFolderDocuments = 0x05,
    SpecialFolderDesktopDirectory = 0x10,
};

// The raw answer of the shell for a special folder (the desktop is the home
// folder when the desktop folder does not exist): a 512-character buffer
// holding the path, a NUL character and blanks. Empty when the folder is
// unknown.
QString SpecialFolderBuffer(qint32 folderId);

// The desktop folder followed by '/'. The raw buffer is handed back through
// rawBuffer when given. Throws RuntimeError::InvalidArgument when the desktop
// cannot be found.
QString DesktopFolder(QString *rawBuffer = nullptr);

// The path part of a raw special-folder buffer followed by '/': everything
// before its last NUL character. Throws RuntimeError::InvalidArgument when the
// buffer holds no NUL.
QString FolderFromSpecialBuffer(const QString &rawBuffer);
