// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Dialogs.h"

#include <QStringList>

// The dialogs as the user sees them: Qt's message box, input dialog and file
// dialogs, and the desktop's handler for folders and web addresses.
class QtDialogs final : public Dialogs {
public:
    QtDialogs() = default;
    Q_DISABLE_COPY_MOVE(QtDialogs)

    QString openFileNames(QWidget *owner, const OpenFileRequest &request) override;
    QString chooseFolder(QWidget *owner, const QString &title, const QString &startFolder) override;
    bool openUrl(const QUrl &url) override;

protected:
    MessageAnswer showMessage(const MessageRequest &request) override;
    QString askText(const QString &title, const QString &prompt, const QString &defaultAnswer) override;
};

// Qt's name filters for a classic "Description|pattern|..." filter text.
QStringList NameFiltersFromClassicFilter(const QString &filter);

// The open-file dialog's file-name text for the chosen files: one full path,
// or the folder and the bare names separated by NUL characters.
QString FileNameTextForSelection(const QStringList &absolutePaths);

// A text as a dialog shows it: a carriage return, alone or before a line
// feed, ends a line, as the program's texts expect ("\r\r" is an empty line);
// Qt's labels would show a lone one as a blank.
QString DisplayedText(const QString &text);
