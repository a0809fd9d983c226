// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileDescriptor.h"

#include <QByteArray>
#include <QString>

// The converter travels inside the program as a resource and is written to
// the temporary folder for the length of a run.

// The folder named by "TEMP", or the user's private runtime folder when
// "TEMP" is unset or empty. Read afresh on every call.
QString TemporaryFolder();

// Where a run stages the converter: the temporary folder and "ffmpeg.exe".
QString ConverterPath();

// The converter's bytes from the program's resources. Throws when missing.
QByteArray LoadConverterResource(const QString &resourcePath = QStringLiteral(":/CUSTOM/102"));

// Throws RuntimeError::PermissionDenied when other users could replace a
// file in folder: when it, or any folder on the way to it (as written, and
// with its links followed), belongs to another user than this one and root,
// or others may write to it and it lacks the sticky bit. The converter is
// never staged or run in such a folder.
void CheckStagingFolder(const QString &folder);

// True when the file at path is one the program may run as its converter:
// a regular file (not a link) that belongs to this user, that nobody else
// may change, that its owner may run, and whose bytes equal the converter's.
// Never blocks, whatever stands at path.
bool IsTrustedConverter(const QString &path, const QByteArray &converterBytes);

// The trusted file at path, open for reading, so that what is later run can
// be held to the very file that was checked; not open when the file at path
// cannot be trusted.
FileDescriptor OpenTrustedConverter(const QString &path, const QByteArray &converterBytes);

// Makes sure path holds the converter. A trusted file is used as it is, and
// a copy of the converter that cannot be trusted is replaced by a fresh one,
// executable by its owner only. Throws RuntimeError::FileAlreadyExists when
// another file stands at path (it is left alone), and RuntimeError when the
// converter cannot be written.
void StageConverter(const QByteArray &converterBytes, const QString &path);
