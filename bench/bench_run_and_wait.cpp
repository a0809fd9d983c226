// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// What the wait for a child costs: children that outlive a poll, started and
// waited for as a conversion run does (RunAndWait with a shown progress bar
// and the 100 ms poll) against the same children started and waited for
// with QProcess alone, in one process. The two sides take turns at going
// first; one round of each warms up. Every child must end with 0 on both
// sides, or the benchmark fails.
//
//   bench_run_and_wait [rounds] [children per round] [child seconds]
#include "BenchFigures.h"
#include "RunAndWait.h"
#include "TextProgressBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>
#include <functional>

namespace {

struct Side {
    const char *name;
    std::function<bool(const ChildCommand &)> runOne; // true when the child ended with 0
};

// Milliseconds for all children of a round; negative when one failed.
double timeRound(const Side &side, const ChildCommand &child, int children)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < children; ++i) {
        if (!side.runOne(child)) {
            std::fprintf(stderr, "%s: a child did not end with 0\n", side.name);
            return -1;
        }
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 9;
    const int children = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 10;
    const QString seconds = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("0.15");
    if (rounds < 1 || children < 1) {
        std::fprintf(stderr, "usage: bench_run_and_wait [rounds >= 1] [children >= 1] [child seconds]\n");
        return 2;
    }
    const ChildCommand child{QStandardPaths::findExecutable(QStringLiteral("sleep")), {seconds}};

    TextProgressBar bar;
    bar.resize(520, 27);
    bar.show();
    const Side direct{"QProcess alone", [](const ChildCommand &command) {
                          QProcess process;
                          process.setStandardInputFile(QProcess::nullDevice());
                          process.start(command.program, command.arguments);
                          return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit
                              && process.exitCode() == 0;
                      }};
    const Side waited{"RunAndWait with the bar", [&bar](const ChildCommand &command) {
                          bar.setValue(50);
                          bar.setText(QStringLiteral("Processing: clip.avi"));
                          const WaitProgress progress{&bar, bar.text(), 50, 2};
                          const ChildOutcome outcome = ChildRunner().run(command, 0, progress);
                          return outcome.succeeded();
                      }};

    if (timeRound(direct, child, 2) < 0 || timeRound(waited, child, 2) < 0)
        return 1;
    std::vector<double> ratios;
    std::vector<double> extraPerChild;
    for (int round = 0; round < rounds; ++round) {
        const bool directFirst = round % 2 == 0;
        const double first = timeRound(directFirst ? direct : waited, child, children);
        const double second = timeRound(directFirst ? waited : direct, child, children);
        if (first < 0 || second < 0)
            return 1;
        const double directMs = directFirst ? first : second;
        const double waitedMs = directFirst ? second : first;
        ratios.push_back(waitedMs / directMs);
        extraPerChild.push_back((waitedMs - directMs) / children);
    }
    std::printf("%d rounds of %d children of %s s each, sides alternating:\n", rounds, children, qPrintable(seconds));
    BenchFigures::of(ratios).print("ratio RunAndWait / QProcess", "");
    BenchFigures::of(extraPerChild).print("extra per child", "ms");
    return 0;
}
