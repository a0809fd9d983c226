// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AbandonedPartials.h"
#include "ConverterLease.h"
#include "HiddenResult.h"
#include "RunAndWait.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>

class ConversionHost;
class Dialogs;
class ReportingProcedure;

struct FailedFile {
    QString source;
    QString reason;
};

// The message that closes a run: "Done." when every file converted, else
// "Done." followed by the files that could not be converted and why.
QString ClosingMessage(int fileCount, const QList<FailedFile> &failures);
// Every file that could not be converted and why, a line each, when the
// closing message cannot name them all; else the empty text.
QString ClosingDetails(const QList<FailedFile> &failures);

// The name of the result of one source: the source's file name with its
// extension replaced. Only the file name counts, so a dot in a folder's name
// never shortens the result's name.
QString ResultName(const QString &source, const QString &extension);

// Where the result of one source goes: into the chosen folder, or beside the
// source.
QString DestinationInFolder(const QString &folder, const QString &source, const QString &extension);
QString DestinationBesideSource(const QString &source, const QString &extension);

// What follows the converter's path in the command text of one conversion,
// as a person would type it.
QString ConverterArgumentsText(const QString &source, const QString &destination);

// True when both paths name the same file, so that converting one into the
// other would destroy the source.
bool IsSameFile(const QString &source, const QString &destination);

// "Start Converting": converts every listed file, one after the other, with
// the converter staged in the temporary folder, and tells the user how it
// went. The run keeps the window alive while it waits for each file.
class ConversionRun final : public QObject {
    Q_OBJECT
public:
    ConversionRun(ConversionHost &host, Dialogs &dialogs,
        std::chrono::milliseconds pollInterval = std::chrono::milliseconds(100), QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(ConversionRun)

    void run();

    bool isConverting() const { return m_converting; }

    // Ends a run that is under way: the running converter is stopped, its
    // unfinished result removed, the staged converter deleted, and nothing
    // more is shown. Does nothing when no run is under way.
    void abandon();

    // The command texts of the last run, one per file started.
    const QStringList &commandLines() const { return m_commandLines; }

    void setConverterResource(const QString &resourcePath) { m_resourcePath = resourcePath; }
    // Where the letters of each hidden result's name come from.
    void setNameLetters(HiddenResult::NameLetters letters) { m_nameLetters = std::move(letters); }

Q_SIGNALS:
    void finished();
    // The converter for source is started, as the process processId.
    void converterStarted(const QString &source, qint64 processId);

private:
    // Converts one file; the reason it failed, or the empty text.
    QString convertOne(const QString &source, const QString &destination);
    // Pointer and bar back to rest: the finishing steps of every run that started.
    void resetIdle(ReportingProcedure &procedure);

    ConversionHost &m_host;
    Dialogs &m_dialogs;
    ChildRunner m_runner;
    ConverterLease m_lease;
    AbandonedPartials m_abandonedPartials;
    QByteArray m_converterBytes;
    QString m_resourcePath = QStringLiteral(":/CUSTOM/102");
    HiddenResult::NameLetters m_nameLetters = RandomNameLetters;
    bool m_converting = false;
    bool m_abandoned = false;
    QStringList m_commandLines;
    QSet<QString> m_unwritableFolders; // met by this run, and said why
};
