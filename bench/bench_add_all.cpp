// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// What "Add All AVI File(s) In Folder" costs against find(1) on the same
// tree of 100,000 files in 10,000 folders: the shown window (run it under
// an X server to see the real one) gathers them with its list laid out and
// painted, and `find <root> -type f -iname '*.avi'` prints them. The two
// take turns going first, both are warmed, and each round's ratio is kept.
// The program's processor time is its own; find's is that of the child
// alone, not of starting it and reading what it printed. Exits non-zero
// when a side did not find every file (the list must hold exactly the
// expected paths in order), or when the median processor-time ratio is
// above 1.5.
#include "BenchFigures.h"
#include "BenchTree.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr double kCpuRatioTarget = 1.5;

struct Timed {
    double ms = 0;
    double cpuMs = 0; // processor time, which other work on the machine does not stretch
    bool complete = false;
};

double milliseconds(const timeval &time)
{
    return double(time.tv_sec) * 1e3 + double(time.tv_usec) / 1e3;
}

double cpuMs(int who)
{
    rusage usage{};
    ::getrusage(who, &usage);
    return milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
}

Timed addAllThroughWindow(BenchTree::ShownWindow &window, const QString &root, const QStringList &expected)
{
    window.clearList();
    QElapsedTimer clock;
    const double cpuBefore = cpuMs(RUSAGE_SELF);
    clock.start();
    window.addAll(root);
    const Timed timed{double(clock.nsecsElapsed()) / 1e6, cpuMs(RUSAGE_SELF) - cpuBefore, window.holds(expected)};
    window.clearList();
    return timed;
}

Timed findDirectly(const QString &root)
{
    QElapsedTimer clock;
    const double cpuBefore = cpuMs(RUSAGE_CHILDREN);
    clock.start();
    QProcess find;
    find.start(QStringLiteral("find"),
        {root, QStringLiteral("-type"), QStringLiteral("f"), QStringLiteral("-iname"), QStringLiteral("*.avi")});
    find.waitForFinished(-1);
    const QByteArray output = find.readAllStandardOutput();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    const double cpu = cpuMs(RUSAGE_CHILDREN) - cpuBefore;
    const bool ran = find.exitStatus() == QProcess::NormalExit && find.exitCode() == 0;
    return {ms, cpu, ran && output.count('\n') == BenchTree::kFiles};
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 9;

    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toUtf8());
    // A tree made by an earlier run may be named, to profile the scan alone.
    const bool reuse = argc > 2;
    const QString root = reuse ? QString::fromLocal8Bit(argv[2]) : work.filePath(QStringLiteral("tree"));
    if (rounds < 1 || !work.isValid() || (!reuse && !BenchTree::Make(root))) {
        std::fprintf(stderr, "could not make the tree\n");
        return 1;
    }
    const QStringList expected = BenchTree::ExpectedPaths(root);

    BenchTree::ShownWindow window;
    // Warm both: the folders' entries in the kernel's caches, the program's
    // code in memory.
    addAllThroughWindow(window, root, expected);
    findDirectly(root);

    std::vector<double> windowCpu, findCpu, cpuRatios, windowMs, findMs, ratios;
    bool failed = false;
    for (int round = 0; round < rounds; ++round) {
        Timed byWindow;
        Timed byFind;
        if (round % 2 == 0) {
            byWindow = addAllThroughWindow(window, root, expected);
            byFind = findDirectly(root);
        } else {
            byFind = findDirectly(root);
            byWindow = addAllThroughWindow(window, root, expected);
        }
        if (!byWindow.complete || !byFind.complete) {
            std::fprintf(stderr, "round %d: %s\n", round,
                !byWindow.complete ? "the list did not hold exactly the tree's files in order"
                                   : "find did not print every file");
            failed = true;
        }
        windowCpu.push_back(byWindow.cpuMs);
        findCpu.push_back(byFind.cpuMs);
        cpuRatios.push_back(byWindow.cpuMs / byFind.cpuMs);
        windowMs.push_back(byWindow.ms);
        findMs.push_back(byFind.ms);
        ratios.push_back(byWindow.ms / byFind.ms);
    }

    std::printf("%d .avi files in %d folders (paths of about %.0f characters), %d rounds after a warm-up, window on "
                "\"%s\"\n",
        BenchTree::kFiles, BenchTree::kFolders, BenchTree::AverageLength(expected), rounds,
        qPrintable(QGuiApplication::platformName()));
    BenchFigures::of(windowCpu).print("Add All, processor time", "ms");
    BenchFigures::of(findCpu).print("find, processor time", "ms");
    const BenchFigures cpuRatio = BenchFigures::of(cpuRatios);
    cpuRatio.print("processor time Add All / find", "");
    BenchFigures::of(windowMs).print("Add All, wall time", "ms");
    BenchFigures::of(findMs).print("find, wall time", "ms");
    BenchFigures::of(ratios).print("wall time Add All / find", "");
    if (cpuRatio.median > kCpuRatioTarget) {
        std::printf("the median processor-time ratio is above %.1f\n", kCpuRatioTarget);
        failed = true;
    }
    std::printf("%s\n", failed ? "FAILED" : "target met");
    return failed ? 1 : 0;
}
