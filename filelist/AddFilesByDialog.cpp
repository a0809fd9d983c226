// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AddFilesByDialog.h"

#include "Dialogs.h"
#include "ErrorReport.h"
#include "FileListWidget.h"
#include "PathHelpers.h"
#include "RuntimeError.h"

namespace {

const QString kLocation = QStringLiteral("in Framesmith2021/08/31.Form1.PushButton1_Click ");

QString tooManyFilesMessage()
{
    return QStringLiteral("You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button.");
}

} // namespace

void AddFilesByDialog(Dialogs &dialogs, QWidget *owner, FileListWidget &list)
{
    ReportingProcedure procedure(dialogs, kLocation);
    OpenFileRequest request;
    QString fileNameText;
    bool tooManyFiles = false;

    procedure.step(104, [&] { fileNameText.clear(); });
    procedure.step(106,
        [&] { request.flags = OpenFileReadOnly | OpenFileAllowMultiSelect | OpenFileExplorer | OpenFileLongNames; });
    procedure.step(
        108, [&] { request.title = QStringLiteral("Add File(s) - Hold Ctrl or Shift to select multiple files"); });
    procedure.step(110, [&] { request.filter = QStringLiteral("AVI Files (*.avi)|*.avi|"); });
    procedure.step(112, [&] {
        try {
            fileNameText = dialogs.openFileNames(owner, request);
        } catch (const RuntimeError &error) {
            if (error.number() != RuntimeError::BufferTooSmall)
                throw;
            tooManyFiles = true;
        }
    });
    if (tooManyFiles) {
        dialogs.message(tooManyFilesMessage());
        return;
    }
    if (procedure.test(114, [&] { return fileNameText.isEmpty(); }))
        return;

    QStringList parts;
    procedure.step(116, [&] { parts = fileNameText.split(QChar(u'\0')); });
    if (procedure.test(118, [&] { return parts.size() == 1; })) {
        QString path;
        procedure.step(120, [&] { path = parts.value(0); });
        procedure.step(122, [&] { list.appendPath(path); });
        return;
    }
    QString folder;
    procedure.step(126, [&] { folder = parts.value(0); });
    for (qsizetype i = 1; i < parts.size(); ++i) {
        QString path;
        procedure.step(136, [&] { path = folder + u'/' + parts[i]; });
        procedure.step(138, [&] { path = CollapseBackslashes(path); });
        procedure.step(140, [&] { list.appendPath(path); });
    }
}
