// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConversionRun.h"

#include "ConversionHost.h"
#include "ConversionVerdict.h"
#include "ConverterStaging.h"
#include "Dialogs.h"
#include "DvdShape.h"
#include "ErrorReport.h"
#include "ExitCleanup.h"
#include "HiddenResult.h"
#include "PathHelpers.h"
#include "PendingFiles.h"
#include "ProgressView.h"
#include "RuntimeError.h"
#include "SourceFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <limits>

namespace {

const QString kLocation = QStringLiteral("in Framesmith2021/08/31.Form1.PushButton2_Click ");
const QString kResultExtension = QStringLiteral("mov");
constexpr int kListedFailures = 20;

// The converter reads a source by what it holds, not by its name: a playlist
// or a concat list named .avi would make it read other files, or fetch
// addresses, that the user never listed. Only the self-contained formats of
// ordinary video files may be read.
const QString kVideoFormats
    = QStringLiteral("avi,matroska,mov,mpeg,mpegts,mpegvideo,m4v,h264,hevc,flv,asf,ogg,dv,nut,rm,yuv4mpegpipe");

// The converter's arguments for one file, with the filter that gives the
// picture a DVD's shape. The run passes the names of the descriptors it
// hands over; the recorded command text the user's paths and the filter,
// quoted, as a person would type them.
QStringList converterArguments(const QString &source, const QString &shape, const QString &result)
{
    return {QStringLiteral("-format_whitelist"), kVideoFormats, QStringLiteral("-i"), source, QStringLiteral("-vf"),
        shape, QStringLiteral("-target"), QStringLiteral("ntsc-dvd"), result};
}

QString failureLine(const FailedFile &failure)
{
    return QStringLiteral("%1 - %2").arg(failure.source, failure.reason);
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

qint32 wholeNumber(double value)
{
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= std::numeric_limits<qint32>::min() && rounded <= std::numeric_limits<qint32>::max()))
        throw RuntimeError(RuntimeError::Overflow);
    return qint32(rounded);
}

} // namespace

QString ClosingMessage(int fileCount, const QList<FailedFile> &failures)
{
    QString message = QStringLiteral("Done.");
    if (failures.isEmpty())
        return message;
    message += QStringLiteral("\n\n%1 of %2 files could not be converted:").arg(failures.size()).arg(fileCount);
    const qsizetype listed = qMin<qsizetype>(failures.size(), kListedFailures);
    for (qsizetype i = 0; i < listed; ++i)
        message += u'\n' + failureLine(failures[i]);
    if (failures.size() > listed)
        message += QStringLiteral("\n… and %1 more").arg(failures.size() - listed);
    return message;
}

QString ClosingDetails(const QList<FailedFile> &failures)
{
    if (failures.size() <= kListedFailures)
        return {};
    QStringList lines;
    lines.reserve(failures.size());
    for (const FailedFile &failure : failures)
        lines << failureLine(failure);
    return lines.join(u'\n');
}

QString ResultName(const QString &source, const QString &extension)
{
    return StripExtension(FileNameOfPath(source)) + u'.' + extension;
}

QString DestinationInFolder(const QString &folder, const QString &source, const QString &extension)
{
    return CollapseBackslashes(folder + u'/' + ResultName(source, extension));
}

QString DestinationBesideSource(const QString &source, const QString &extension)
{
    return CollapseBackslashes(FolderOfPath(source) + u'/' + ResultName(source, extension));
}

QString ConverterArgumentsText(const QString &source, const QString &destination)
{
    return u' ' + converterArguments(quoted(source), quoted(DvdShapeFilter()), quoted(destination)).join(u' ');
}

bool IsSameFile(const QString &source, const QString &destination)
{
    const QFileInfo from(source);
    const QFileInfo to(destination);
    if (from.exists() && to.exists())
        return from.canonicalFilePath() == to.canonicalFilePath();
    return from.absoluteFilePath() == to.absoluteFilePath();
}

ConversionRun::ConversionRun(
    ConversionHost &host, Dialogs &dialogs, std::chrono::milliseconds pollInterval, QObject *parent)
    : QObject(parent)
    , m_host(host)
    , m_dialogs(dialogs)
    , m_runner(pollInterval)
{
}

void ConversionRun::abandon()
{
    if (!m_converting)
        return;
    m_abandoned = true;
    m_runner.cancel();
}

void ConversionRun::run()
{
    ReportingProcedure procedure(m_dialogs, kLocation);
    bool alreadyRunning = false;
    procedure.step(100, [&] { alreadyRunning = m_converting; });
    if (alreadyRunning)
        return;
    procedure.step(102, [&] {
        m_converting = true;
        m_abandoned = false;
        m_commandLines.clear();
        m_unwritableFolders.clear();
        m_abandonedPartials.reset();
    });

    if (!procedure.test(104, [&] { return m_host.itemCount() >= 1; })) {
        procedure.step(158, [&] { m_dialogs.message(QStringLiteral("No files added.")); });
        procedure.step(160, [&] { m_converting = false; });
        Q_EMIT finished();
        return;
    }
    if (!procedure.test(106, [&] { return IsFolder(m_host.outputFolderText()) || m_host.option2Selected(); })) {
        procedure.step(
            156, [&] { m_dialogs.message(QStringLiteral("Folder does not exist. Please select another folder.")); });
        procedure.step(160, [&] { m_converting = false; });
        Q_EMIT finished();
        return;
    }

    procedure.step(108, [&] { m_host.setMousePointer(PointerBusy); });
    procedure.step(110, [&] { m_converterBytes = LoadConverterResource(m_resourcePath); });
    // Without a converter no file can convert; saying "Done." would be a lie.
    if (!procedure.step(112, [&] {
            CheckStagingFolder(TemporaryFolder());
            m_lease.acquire(ConverterPath(), m_converterBytes);
            StageConverter(m_converterBytes, m_lease.converterPath());
        })) {
        m_lease.release();
        resetIdle(procedure);
        m_converting = false;
        Q_EMIT finished();
        return;
    }

    int fileCount = 0;
    int filesStarted = 0;
    QList<FailedFile> failures;
    PendingFiles pending;
    procedure.step(114, [&] {
        fileCount = m_host.itemCount();
        pending.listFrom(m_host);
    });
    for (int i = 1; i <= fileCount && !m_abandoned; ++i) {
        // The list may have been reordered or have shrunk meanwhile.
        const std::optional<QString> next = pending.takeNext(m_host);
        if (!next)
            break;
        ++filesStarted;
        QString source;
        QString destination;
        QString extension;
        QString converter;
        QString arguments;
        QString commandLine;
        procedure.step(116, [&] { m_host.setMousePointer(PointerBusy); });
        procedure.step(118, [&] {
            const int count = m_host.itemCount();
            if (count == 0)
                throw RuntimeError(RuntimeError::DivisionByZero);
            m_host.progressBar().setValue(double(i) / count * 100.0);
        });
        procedure.step(120, [&] { source = *next; });
        procedure.step(
            122, [&] { m_host.progressBar().setText(QStringLiteral("Processing: ") + FileNameOfPath(source)); });
        procedure.step(124, [&] { QCoreApplication::processEvents(); });
        // A close asked for in those events ends the run before the next
        // converter starts.
        if (m_abandoned)
            break;
        procedure.step(126, [&] { extension = kResultExtension; });
        if (procedure.test(128, [&] { return m_host.option1Selected(); })) {
            procedure.step(
                130, [&] { destination = DestinationInFolder(m_host.outputFolderText(), source, extension); });
        } else if (procedure.test(132, [&] { return m_host.option2Selected(); })) {
            procedure.step(134, [&] { destination = DestinationBesideSource(source, extension); });
        }
        procedure.step(136, [&] { converter = ConverterPath(); });
        procedure.step(138, [&] { arguments = ConverterArgumentsText(source, destination); });
        procedure.step(140, [&] {
            commandLine = converter + arguments;
            m_commandLines << commandLine;
        });
        QString reason;
        if (!procedure.step(142, [&] { reason = convertOne(source, destination); }))
            reason = QStringLiteral("the wait for the converter failed");
        if (!reason.isEmpty() && !m_abandoned)
            failures << FailedFile{source, reason};
    }

    procedure.step(146, [&] { m_lease.release(); });
    if (m_abandoned) {
        m_converting = false;
        Q_EMIT finished();
        return;
    }
    resetIdle(procedure);
    procedure.step(154, [&] {
        const QString message = ClosingMessage(filesStarted, failures);
        if (failures.isEmpty())
            m_dialogs.message(message);
        else
            m_dialogs.messageWithDetails(message, ClosingDetails(failures), MessageIcon::Warning);
    });
    procedure.step(160, [&] { m_converting = false; });
    Q_EMIT finished();
}

QString ConversionRun::convertOne(const QString &source, const QString &destination)
{
    if (IsSameFile(source, destination))
        return QStringLiteral("the result would replace the original file");
    // Held from here on: what the converter reads is the file checked now.
    const SourceFile input(source);
    if (!input.refusal().isEmpty())
        return input.refusal();
    if (const QString refusal = DestinationRefusal(destination); !refusal.isEmpty())
        return refusal;
    // The converter is started by its path once per file; what stands there
    // now must still be the copy staged for this run, in a folder that only
    // this user can change. Another run that ended meanwhile may have
    // removed it.
    const QString converter = m_lease.converterPath();
    try {
        CheckStagingFolder(QFileInfo(converter).path());
    } catch (const RuntimeError &error) {
        return error.description();
    }
    // Held open from the check on: the converter may run only this file.
    FileDescriptor trusted = OpenTrustedConverter(converter, m_converterBytes);
    if (!trusted.isOpen()) {
        try {
            StageConverter(m_converterBytes, converter);
        } catch (const RuntimeError &error) {
            return QStringLiteral("the converter could not be staged again: %1").arg(error.description());
        }
        trusted = OpenTrustedConverter(converter, m_converterBytes);
        if (!trusted.isOpen())
            return QStringLiteral("the converter could not be staged again: %1 was changed as it was placed")
                .arg(QDir::toNativeSeparators(converter));
    }

    // A close asked for in a report shown since the last look.
    if (m_abandoned)
        return QStringLiteral("the conversion was stopped");

    ProgressView &bar = m_host.progressBar();
    const WaitProgress progress{&bar, bar.text(), wholeNumber(bar.value()), m_host.itemCount()};
    m_abandonedPartials.removeFor(destination);
    HiddenResult result(destination, m_nameLetters);
    if (!result.unwritableFolder().isEmpty()) {
        // What to do is said once a folder; its other files name it only.
        if (m_unwritableFolders.contains(result.unwritableFolder()))
            return QStringLiteral("cannot write into %1").arg(result.unwritableFolder());
        m_unwritableFolders.insert(result.unwritableFolder());
    }
    if (!result.refusal().isEmpty())
        return result.refusal();
    const ChildCommand command{converter,
        converterArguments(input.converterName(), DvdShapeFilter(), result.converterName()), IsWriteErrorLine,
        {input.descriptor(), result.descriptor()}, ChildConfinement{trusted.get(), input.descriptor()}};
    const QMetaObject::Connection announcing = connect(
        &m_runner, &ChildRunner::started, this, [&](qint64 processId) { Q_EMIT converterStarted(source, processId); });
    const ChildOutcome outcome = m_runner.run(command, 0, progress);
    disconnect(announcing);
    if (!outcome.confinementFailure.isEmpty())
        return outcome.confinementFailure;
    QString reason = JudgeConversion(outcome, result.size());
    if (reason.isEmpty())
        reason = result.publish();
    // The converter speaks of the descriptors it was handed; the user knows paths.
    return InUsersTerms(reason, {{input.converterName(), source}, {result.converterName(), destination}});
}

void ConversionRun::resetIdle(ReportingProcedure &procedure)
{
    procedure.step(148, [&] { m_host.setMousePointer(PointerDefault); });
    procedure.step(150, [&] { m_host.progressBar().setValue(0); });
    procedure.step(152, [&] { m_host.progressBar().setText(kProgressBarRestingText); });
}
