// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class FileListWidget;
class FolderScan;
class ReportingProcedure;

// Appends to the list every usable file below folder whose name matches
// pattern: the folder first, then the folders below it level by level, each
// folder's files in listing order. Names beginning with '~' (left behind by
// editors and installers) and files that are only hidden are passed over,
// as are files that cannot be opened. Each item is the path with doubled
// separators collapsed.
//
// With a procedure, a failed step is reported under its number and the
// gathering goes on as the procedure says; without one, a failed step is
// passed over quietly and the gathering goes on with the next file or
// folder.
void GatherFolderFiles(FolderScan &scan, const QString &folder, const QString &pattern, FileListWidget &list,
    ReportingProcedure *procedure = nullptr);
