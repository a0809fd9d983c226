// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunAndWait.h"

#include "ConverterConfinement.h"
#include "ExitCleanup.h"
#include "OutputTail.h"
#include "ProgressView.h"
#include "RuntimeError.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

constexpr qint32 kFirstWaitPoll = 50;
constexpr qint32 kPollsPerMove = 150;
constexpr int kDefaultWindowStyle = 6;

void processPendingEvents()
{
    QCoreApplication::processEvents();
}

// Why a start failed: the program is missing, or it is there but cannot run.
int startErrorNumber(const QString &program)
{
    if (program.isEmpty())
        return RuntimeError::FileNotFound;
    const QString resolved = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
    if (resolved.isEmpty() || !QFileInfo::exists(resolved))
        return RuntimeError::FileNotFound;
    return RuntimeError::PermissionDenied;
}

} // namespace

int SettleWindowStyle(std::optional<int> style)
{
    if (!style || *style < 0 || *style > 6)
        return kDefaultWindowStyle;
    return *style;
}

double RoundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5)
        return lower + 1;
    if (fraction < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1;
}

QString WaitText(const QString &caption, qint32 pollCounter)
{
    const QString lead = caption.isEmpty() ? QString() : caption + QStringLiteral(", ");
    return lead + QStringLiteral("Please wait.. ") + QString::number(pollCounter - kFirstWaitPoll);
}

double WaitBarValue(qint32 pollCounter, qint32 startValue, qint32 itemCount)
{
    if (itemCount == 0)
        throw RuntimeError(RuntimeError::DivisionByZero);
    const double share = 100.0 / itemCount;
    const double step = RoundHalfEven(share / 10.0);
    const double limit = RoundHalfEven(startValue + share - step);
    const double value = double(pollCounter - kFirstWaitPoll) / kPollsPerMove * step + startValue;
    return value >= limit ? limit : value;
}

ChildRunner::ChildRunner(std::chrono::milliseconds pollInterval, QObject *parent)
    : QObject(parent)
    , m_pollInterval(pollInterval)
{
}

ChildRunner::~ChildRunner()
{
    cancel();
}

void ChildRunner::cancel()
{
    m_cancelRequested = true;
    if (m_process && m_process->state() != QProcess::NotRunning)
        m_process->kill();
}

ChildOutcome ChildRunner::run(const ChildCommand &command, std::optional<int> windowStyle, const WaitProgress &progress)
{
    // A Linux child has no window to show: the settled style changes nothing.
    [[maybe_unused]] const int settledStyle = SettleWindowStyle(windowStyle);
    ChildOutcome outcome;
    m_cancelRequested = false;

    QProcess process;
    OutputTail tail;
    tail.watchFor(command.isWatchedLine);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    const pid_t parent = ::getpid();
    const QList<int> inherited = command.inheritedDescriptors;
    std::unique_ptr<ConverterConfinement> confinement;
    if (command.confinement) {
        confinement = std::make_unique<ConverterConfinement>(
            command.confinement->programFile, command.confinement->sourceFile, inherited);
        if (!confinement->failure().isEmpty()) {
            outcome.exitCode = 127;
            outcome.confinementFailure = confinement->failure();
            outcome.lastLines = {outcome.confinementFailure};
            return outcome;
        }
        if (!confinement->isActive())
            confinement.reset(); // the kernel has no Landlock: run as before
    }
    const ConverterConfinement *walls = confinement.get();
    // Runs in the child between fork and exec, which shares the program's
    // memory until exec: system calls only.
    process.setChildProcessModifier([parent, inherited, walls] {
#ifdef Q_OS_LINUX
        // Killed with the program, also when the program is killed itself;
        // a parent that died before this line leaves the child orphaned.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
#endif
        // The program opens every descriptor closed on exec; only this
        // child's own stay open across it.
        for (const int fd : inherited) {
            if (::fcntl(fd, F_SETFD, 0) != 0 && walls)
                walls->failInChild(ConverterConfinement::ClearCloseOnExec, errno);
        }
        if (walls)
            walls->enterInChild();
    });
    connect(&process, &QProcess::readyReadStandardOutput, this, [&] { tail.append(process.readAllStandardOutput()); });
    process.start(command.program, command.arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        outcome.exitCode = kObjectErrorBase + startErrorNumber(command.program);
        outcome.lastLines = {process.errorString()};
        return outcome;
    }
    outcome.started = true;
    if (confinement)
        confinement->childStarted();
    Q_EMIT started(process.processId());
    m_process = &process;
    ExitCleanup::trackChild(process.processId());
    // Forgotten the moment it is reaped, as its number may go to another
    // process; the wait below ends only after that.
    connect(&process, &QProcess::finished, this, [] { ExitCleanup::forgetChild(); });

    ProgressView *bar = progress.bar;
    qint32 pollCounter = 0;
    bool stillActive = true;
    try {
        do {
            stillActive = process.state() != QProcess::NotRunning;
            processPendingEvents();
            sleepOnePoll(process);
            if (bar) {
                processPendingEvents();
                ++pollCounter;
                if (pollCounter >= kFirstWaitPoll) {
                    processPendingEvents();
                    bar->setText(WaitText(progress.caption, pollCounter));
                    if ((pollCounter - kFirstWaitPoll) % kPollsPerMove == 0)
                        bar->setValue(WaitBarValue(pollCounter, progress.startValue, progress.itemCount));
                    processPendingEvents();
                }
                processPendingEvents();
            }
            processPendingEvents();
        } while (stillActive);
    } catch (...) {
        // The child must not outlive the wait that owns it.
        m_process = nullptr;
        process.kill();
        process.waitForFinished();
        throw;
    }
    m_process = nullptr;

    tail.append(process.readAllStandardOutput());
    outcome.exitCode = process.exitCode();
    outcome.crashed = process.exitStatus() == QProcess::CrashExit;
    outcome.cancelled = m_cancelRequested;
    outcome.lastLines = tail.lines();
    outcome.watchedLines = tail.watchedLines();
    if (confinement)
        outcome.confinementFailure = confinement->childFailure();
    if (bar)
        bar->setText(progress.caption.isEmpty() ? kProgressBarRestingText : progress.caption);
    return outcome;
}

// One poll's wait lasts the interval, but ends as soon as the child ends, so
// the end of a child is noticed within milliseconds rather than a poll late.
void ChildRunner::sleepOnePoll(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    timer.start(m_pollInterval);
    loop.exec();
}

qint32 RunAndWait(const ChildCommand &command, std::optional<int> windowStyle, const WaitProgress &progress)
{
    ChildRunner runner;
    return runner.run(command, windowStyle, progress).exitCode;
}

qint32 RunAndWait(const QString &commandLine, std::optional<int> windowStyle, const WaitProgress &progress)
{
    QStringList words = QProcess::splitCommand(commandLine);
    ChildCommand command;
    if (!words.isEmpty())
        command.program = words.takeFirst();
    command.arguments = words;
    return RunAndWait(command, windowStyle, progress);
}
