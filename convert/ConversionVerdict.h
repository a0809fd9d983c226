// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RunAndWait.h"

#include <QString>

// Whether one file converted, told from the converter's outcome and the
// result on disk, and in words the user can act on when it did not. A file
// counts as converted only when the converter ended with 0, said nothing of
// failing to write, and left a regular file with at least one byte.

// True for a line of the converter's output that says the result was not
// written whole: the converter may still end with 0 after it (a full disk at
// the end of the file, a folder removed during the run). Only the converter's
// own messages count, not the names and tags of the files it describes.
bool IsWriteErrorLine(const QString &line);

// Why no result may be written at destination, or the empty text when one
// may: something stands there in any form (a link that points nowhere
// included), or no place is chosen at all.
QString DestinationRefusal(const QString &destination);

// The empty text when the file converted, else why it did not. resultSize
// is what the converter wrote, -1 when that cannot be told.
QString JudgeConversion(const ChildOutcome &outcome, qint64 resultSize);

// The line of the converter's output that explains its failure, without the
// converter's "[component @ address]" prefix; empty when there is none.
QString ExplainingLine(const ChildOutcome &outcome);

// A name the converter knows one of the files by (the descriptor it was
// handed), and the path the user knows that file by.
struct ConverterFileName {
    QString converterName;
    QString userPath;
};

// The converter's words in the user's terms: a file name it puts in front
// of its message (the name it was given, the user's path, or either as a
// file: address) is dropped, since the closing message names the file
// already, and a name of its own elsewhere in the text becomes the path the
// user knows.
QString InUsersTerms(const QString &reason, const QList<ConverterFileName> &names);
