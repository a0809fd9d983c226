// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedDialogs.h"

#include "RuntimeError.h"

QStringList ScriptedDialogs::messageTexts() const
{
    QStringList texts;
    for (const MessageRequest &request : messages)
        texts << request.text;
    return texts;
}

QString ScriptedDialogs::openFileNames(QWidget *, const OpenFileRequest &request)
{
    fileRequests << request;
    if (fileNameAnswers.isEmpty())
        return {};
    const QVariant answer = fileNameAnswers.dequeue();
    if (answer.typeId() == QMetaType::Int)
        throw RuntimeError(answer.toInt());
    return answer.toString();
}

QString ScriptedDialogs::chooseFolder(QWidget *owner, const QString &title, const QString &startFolder)
{
    folderRequests << FolderRequest{owner, title, startFolder};
    return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
}

bool ScriptedDialogs::openUrl(const QUrl &url)
{
    openedUrls << url;
    return openUrlAnswers.isEmpty() || openUrlAnswers.dequeue();
}

MessageAnswer ScriptedDialogs::showMessage(const MessageRequest &request)
{
    messages << request;
    if (whileMessageShown)
        whileMessageShown(request);
    return messageAnswers.isEmpty() ? MessageAnswer::Ok : messageAnswers.dequeue();
}

QString ScriptedDialogs::askText(const QString &title, const QString &prompt, const QString &defaultAnswer)
{
    inputRequests << InputRequest{title, prompt, defaultAnswer};
    return inputAnswers.isEmpty() ? QString() : inputAnswers.dequeue();
}
