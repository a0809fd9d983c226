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

// Why the converter could not be started on these paths, or the empty text
// when it may be. A source that is no regular file (a named pipe would make
// the converter wait forever) and a destination that exists in any form (a
// link that points nowhere included) are refused.
QString RefusalBeforeStart(const QString &source, const QString &destination);

// The empty text when the file converted, else why it did not.
QString JudgeConversion(const ChildOutcome &outcome, const QString &destination);

// True when the converter refused to replace a file that stood at the
// destination: that file is someone else's and must stay.
bool RefusedExistingResult(const ChildOutcome &outcome);

// The line of the converter's output that explains its failure, without the
// converter's "[component @ address]" prefix; empty when there is none.
QString ExplainingLine(const ChildOutcome &outcome);
