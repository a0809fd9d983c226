// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputOptions.h"

#include "ErrorReport.h"
#include "FolderPicker.h"
#include "SettingsStore.h"

namespace {

const QString kBrowseLocation = QStringLiteral("in Framesmith2021/08/31.Form1.PushButton4_Click ");

} // namespace

void StoreOptionChoice(SettingsStore &settings, bool option1Selected, bool option2Selected)
{
    settings.writeTexts(
        {{OutputKey::Option1, TextFromTruth(option1Selected)}, {OutputKey::Option2, TextFromTruth(option2Selected)}});
}

void BrowseForOutputFolder(Dialogs &dialogs, SettingsStore &settings, QWidget *owner,
    const std::function<void(const QString &)> &setFolderText)
{
    ReportingProcedure procedure(dialogs, kBrowseLocation);
    QString picked;
    procedure.step(100, [&] {
        picked = PickFolder(dialogs, owner, QStringLiteral("Please select folder:"),
            settings.readText(OutputKey::LastFolderDot, QString()));
    });
    if (procedure.test(102, [&] { return picked.isEmpty(); }))
        return;
    procedure.step(104, [&] { settings.writeText(OutputKey::LastFolderDot, picked); });
    // The root is the one folder the picker returns with its separator.
    if (procedure.test(104, [&] { return !picked.endsWith(u'/'); }))
        procedure.step(106, [&] { setFolderText(picked + u'/'); });
    else
        procedure.step(108, [&] { setFolderText(picked); });
}
