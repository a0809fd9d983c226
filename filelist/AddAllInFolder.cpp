// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AddAllInFolder.h"

#include "Dialogs.h"
#include "ErrorReport.h"
#include "FolderPicker.h"
#include "FolderScan.h"
#include "GatherFiles.h"
#include "SettingsStore.h"
#include "WindowPointer.h"

namespace {

const QString kLocation = QStringLiteral("in Framesmith2021/08/31.Form1.PushButton3_Click ");
const QString kDefaultExtension = QStringLiteral("avi");

} // namespace

QString ExtensionPrompt()
{
    return QStringLiteral("Enter file extension to load:") + QStringLiteral("\r\r")
        + QStringLiteral("(* for all files, txt for all txt files, doc for all doc files, etc.)");
}

void AddAllFilesInFolder(const AddAllContext &context)
{
    ReportingProcedure procedure(context.dialogs, kLocation);
    QString answer;
    procedure.step(100, [&] {
        answer = context.dialogs.input(
            ExtensionPrompt(), context.settings.readText(AddAllKey::Extension, kDefaultExtension));
    });
    if (procedure.test(102, [&] { return answer.isEmpty(); }))
        return;
    procedure.step(104, [&] { context.settings.writeText(AddAllKey::Extension, answer); });

    QString folder;
    procedure.step(106, [&] {
        folder = PickFolder(context.dialogs, context.owner, QStringLiteral("Please select folder:"),
            context.settings.readText(AddAllKey::LastFolder, QString()));
    });
    if (procedure.test(108, [&] { return folder.isEmpty(); }))
        return;
    QString picked;
    procedure.step(333, [&] { picked = folder; });
    procedure.step(334, [&] { context.settings.writeText(AddAllKey::LastFolder, picked); });

    int pointerBefore = PointerDefault;
    procedure.step(114, [&] {
        pointerBefore = context.pointer.current();
        context.pointer.set(PointerBusy);
    });
    {
        FolderScan scan(context.dialogs, context.activity);
        GatherFolderFiles(scan, folder, QStringLiteral("*.") + answer, context.list, &procedure);
    }
    procedure.step(138, [&] { context.pointer.set(pointerBefore); });
}
