// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SampleFiles.h"

#include "AddFolder.h"
#include "Dialogs.h"
#include "FileListWidget.h"
#include "PathHelpers.h"

#include <QDir>
#include <QUrl>

QString SampleFolder(const QString &programFolder)
{
    return programFolder + QStringLiteral("/Samples");
}

QString OpenSampleFolderQuestion()
{
    return QStringLiteral("Would you like this software to open the folder where these sample files are stored (so "
                          "that you can view them before working with them)?");
}

QString SampleFolderNotOpenedMessage(const QString &folder)
{
    return QStringLiteral("The folder %1 could not be opened. Please open it in your file manager.")
        .arg(QDir::toNativeSeparators(folder));
}

void LoadSampleFiles(Dialogs &dialogs, FileListWidget &list, const QString &programFolder)
{
    const QString folder = SampleFolder(programFolder) + u'/';
    const QStringList names = ListFilesInFolder(folder, QStringLiteral("*.*"));
    for (const QString &name : names) {
        const QString path = folder + name;
        if (FileExists(path) && !IsListed(list, path))
            list.appendPath(path);
    }
    if (dialogs.message(OpenSampleFolderQuestion(), MessageIcon::None, MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    if (!dialogs.openUrl(QUrl::fromLocalFile(folder)))
        dialogs.message(SampleFolderNotOpenedMessage(SampleFolder(programFolder)), MessageIcon::Warning);
}
