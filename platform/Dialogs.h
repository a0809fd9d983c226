// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

class QWidget;

enum class MessageIcon { None, Information, Warning, Question, Critical };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    QString detailedText; // shown on request under the message; empty for none
};

// What the open-file dialog is asked for. The filter uses the classic form
// "Description|pattern|Description|pattern|".
struct OpenFileRequest {
    QString title;
    QString filter;
    qint32 flags = 0;
    qsizetype maxFileNameLength = 30000;
};

enum OpenFileFlag : qint32 {
    OpenFileReadOnly = 0x1,
    OpenFileAllowMultiSelect = 0x200,
    OpenFileExplorer = 0x80000,
    OpenFileLongNames = 0x200000,
};

// Everything the program asks of the user outside its main window: message
// boxes, the input box, the open-file dialog, the folder picker, and opening
// a place in the desktop. The real dialogs are Qt's; tests script the answers.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box; an empty title means the application title.
    MessageAnswer message(const QString &text, MessageIcon icon = MessageIcon::None,
        MessageButtons buttons = MessageButtons::Ok, const QString &title = {});
    // A message box with the application title, an OK button and text the
    // user may unfold under the message, for what the message is too short
    // to hold.
    void messageWithDetails(const QString &text, const QString &detailedText, MessageIcon icon);

    // The input box: the typed answer, or the empty text on Cancel. An empty
    // title means the application title.
    QString input(const QString &prompt, const QString &defaultAnswer, const QString &title = {});

    // The open-file dialog's file-name text: empty on Cancel, one full path,
    // or the folder and the chosen names separated by NUL characters. Throws
    // RuntimeError::BufferTooSmall when that text would exceed
    // request.maxFileNameLength characters.
    virtual QString openFileNames(QWidget *owner, const OpenFileRequest &request) = 0;

    // A modal folder dialog opened at startFolder (the dialog's own place when
    // that is empty or missing). Returns an existing folder as the platform
    // names it, or the empty text on Cancel.
    virtual QString chooseFolder(QWidget *owner, const QString &title, const QString &startFolder) = 0;

    // Opens a folder or a web address in the desktop; false when the desktop
    // could not.
    virtual bool openUrl(const QUrl &url) = 0;

protected:
    virtual MessageAnswer showMessage(const MessageRequest &request) = 0;
    virtual QString askText(const QString &title, const QString &prompt, const QString &defaultAnswer) = 0;
};
