// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

class ProgressView;
class QProcess;

// Added to the runtime error number when a child cannot be started.
inline constexpr qint32 kObjectErrorBase = -2147221504;

// The window style a child is started with: 0 to 6, anything else (or none)
// is 6. A Linux child has no window, so the style is only settled and passed on.
int SettleWindowStyle(std::optional<int> style);

// The nearest whole number; an exact half goes to the even neighbour.
double RoundHalfEven(double value);

// The text on the bar at a poll from the 50th on.
QString WaitText(const QString &caption, qint32 pollCounter);

// Where the bar stands after a move at pollCounter (50, 200, 350, ...): it
// creeps from startValue towards the item's share of the bar and stops one
// step short of the next item's start. Throws on an item count of 0.
double WaitBarValue(qint32 pollCounter, qint32 startValue, qint32 itemCount);

struct ChildConfinement {
    int programFile = -1; // the program's file, open: the only one the child may run
    int sourceFile = -1; // the one file the child may read, open; -1: none
};

struct ChildCommand {
    QString program;
    QStringList arguments;
    // Output lines for which this answers true are kept for the outcome.
    std::function<bool(const QString &line)> isWatchedLine = {};
    // Open descriptors the child inherits, each under its own number; every
    // other descriptor of the program stays closed to it.
    QList<int> inheritedDescriptors = {};
    // When set, the child runs within the converter's walls (see
    // ConverterConfinement): it may read and run what is under /usr, use
    // the inherited descriptors, and nothing more than that but read its
    // source and run the very file that was checked at program.
    std::optional<ChildConfinement> confinement = {};
};

struct WaitProgress {
    ProgressView *bar = nullptr; // none: the wait only waits
    QString caption; // the bar's text when the wait began
    qint32 startValue = 0; // where the bar stood when the wait began
    qint32 itemCount = 1; // how many items share the bar
};

struct ChildOutcome {
    qint32 exitCode = 0; // the child's, or kObjectErrorBase plus 53 or 70
    bool started = false;
    bool crashed = false; // ended by a signal
    bool cancelled = false; // ended by cancel()
    QStringList lastLines; // the last lines the child printed
    QStringList watchedLines; // the first lines that held a watched phrase
    QString confinementFailure; // why a confined child could not be confined

    bool succeeded() const
    {
        return started && !crashed && !cancelled && exitCode == 0 && confinementFailure.isEmpty();
    }
    QString lastLine() const { return lastLines.value(lastLines.size() - 1); }
};

// Starts one child process and waits for it on the calling thread, polling
// every interval while the window goes on processing its events. The child
// reads end-of-file from its standard input, so it can never sit waiting for
// an answer, and what it prints is read as it comes. The child never outlives
// the program: it is killed when the program ends, however it ends.
class ChildRunner final : public QObject {
    Q_OBJECT
public:
    explicit ChildRunner(
        std::chrono::milliseconds pollInterval = std::chrono::milliseconds(100), QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(ChildRunner)
    ~ChildRunner() override;

    ChildOutcome run(
        const ChildCommand &command, std::optional<int> windowStyle = {}, const WaitProgress &progress = {});

    bool isRunning() const { return m_process != nullptr; }

    // Ends the running child at once; run() then returns with cancelled set.
    void cancel();

Q_SIGNALS:
    // The child of run() is started, as the process processId.
    void started(qint64 processId);

private:
    void sleepOnePoll(QProcess &process);

    std::chrono::milliseconds m_pollInterval;
    QProcess *m_process = nullptr; // the child of the run under way
    bool m_cancelRequested = false;
};

// The child's exit code, after waiting for it with the default poll.
qint32 RunAndWait(const ChildCommand &command, std::optional<int> windowStyle = {}, const WaitProgress &progress = {});

// For callers that hold only a command text: it is split as a shell would,
// with quotes grouping words, and never handed to a shell.
qint32 RunAndWait(const QString &commandLine, std::optional<int> windowStyle = {}, const WaitProgress &progress = {});
