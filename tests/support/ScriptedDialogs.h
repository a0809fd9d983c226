// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Dialogs.h"

#include <QList>
#include <QQueue>
#include <QVariant>

#include <functional>

// Dialogs that answer from queues instead of asking a person, and record
// everything they were asked, so tests can compare the exact words.
class ScriptedDialogs final : public Dialogs {
public:
    struct FolderRequest {
        QWidget *owner = nullptr;
        QString title;
        QString startFolder;
    };
    struct InputRequest {
        QString title;
        QString prompt;
        QString defaultAnswer;
    };

    // Answers, used in order; when a queue is empty the answer is OK, Cancel
    // for the file and folder dialogs, the empty text for the input box, and
    // success for opening an address.
    QQueue<MessageAnswer> messageAnswers;
    QQueue<QVariant> fileNameAnswers; // a QString, or an int: a RuntimeError number to throw
    QQueue<QString> folderAnswers;
    QQueue<QString> inputAnswers;
    QQueue<bool> openUrlAnswers; // whether the desktop opened the address

    // Called while a message box is "open", as a person could act meanwhile.
    std::function<void(const MessageRequest &)> whileMessageShown;

    QList<MessageRequest> messages;
    QList<OpenFileRequest> fileRequests;
    QList<FolderRequest> folderRequests;
    QList<InputRequest> inputRequests;
    QList<QUrl> openedUrls;

    QStringList messageTexts() const;

    QString openFileNames(QWidget *owner, const OpenFileRequest &request) override;
    QString chooseFolder(QWidget *owner, const QString &title, const QString &startFolder) override;
    bool openUrl(const QUrl &url) override;

protected:
    MessageAnswer showMessage(const MessageRequest &request) override;
    QString askText(const QString &title, const QString &prompt, const QString &defaultAnswer) override;
};
