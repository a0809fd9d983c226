// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// What "Add All AVI File(s) In Folder" costs against find(1) on the same
// tree: 20,000 files in 1,000 folders, a quarter of them .avi, gathered
// through the main window (headless, scripted dialogs) and by
// `find <root> -type f -iname '*.avi'`. The two take turns going first,
// both are warmed, and the ratio of each round is kept.
#include "FileListWidget.h"
#include "Form1.h"
#include "QuietStart.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QTest>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kFolders = 1000;
constexpr int kFiles = 20000;

// Ten folders at the top, ten below each, nine below each of those (the first
// 1,000 of them, three levels deep), each holding twenty files.
bool makeTree(const QString &root, int *aviFiles)
{
    QStringList folders;
    for (int a = 0; a < 10; ++a) {
        const QString top = root + QStringLiteral("/Top%1").arg(a);
        folders << top;
        for (int b = 0; b < 10; ++b) {
            const QString middle = top + QStringLiteral("/Middle%1").arg(b);
            folders << middle;
            for (int c = 0; c < 9; ++c)
                folders << middle + QStringLiteral("/Leaf%1").arg(c);
        }
    }
    folders = folders.mid(0, kFolders);
    *aviFiles = 0;
    int made = 0;
    for (const QString &folder : std::as_const(folders)) {
        if (!QDir().mkpath(folder))
            return false;
        for (int i = 0; i < kFiles / kFolders; ++i, ++made) {
            const bool avi = made % 4 == 0;
            QFile file(
                folder + QStringLiteral("/clip%1.%2").arg(i).arg(avi ? QStringLiteral("avi") : QStringLiteral("txt")));
            if (!file.open(QIODevice::WriteOnly))
                return false;
            *aviFiles += avi;
        }
    }
    return folders.size() == kFolders;
}

struct Timed {
    double ms = 0;
    double cpuMs = 0; // the processor time it took, which other work on the machine does not stretch
    int found = 0;
};

double milliseconds(const timeval &time)
{
    return double(time.tv_sec) * 1e3 + double(time.tv_usec) / 1e3;
}

double ownCpuMs()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
}

double childrenCpuMs()
{
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
}

Timed addAllThroughWindow(const QString &root)
{
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    // A shown list costs what the user's does: every change is laid out.
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        std::fprintf(stderr, "the window was not shown\n");
    dialogs.inputAnswers << QStringLiteral("avi");
    dialogs.folderAnswers << root;
    QElapsedTimer clock;
    const double cpuBefore = ownCpuMs();
    clock.start();
    form.PushButton3_Click();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    return {ms, ownCpuMs() - cpuBefore, form.listView1()->count()};
}

Timed findDirectly(const QString &root)
{
    QElapsedTimer clock;
    const double cpuBefore = ownCpuMs() + childrenCpuMs();
    clock.start();
    QProcess find;
    find.start(QStringLiteral("find"),
        {root, QStringLiteral("-type"), QStringLiteral("f"), QStringLiteral("-iname"), QStringLiteral("*.avi")});
    find.waitForFinished(-1);
    const QByteArray output = find.readAllStandardOutput();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    const double cpuMs = ownCpuMs() + childrenCpuMs() - cpuBefore;
    if (find.exitStatus() != QProcess::NormalExit || find.exitCode() != 0)
        return {ms, cpuMs, -1};
    return {ms, cpuMs, int(output.count('\n'))};
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10;

    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toUtf8());
    // A tree made by an earlier run may be named, to profile the scan alone.
    const bool reuse = argc > 2;
    const QString root = reuse ? QString::fromLocal8Bit(argv[2]) : work.filePath(QStringLiteral("tree"));
    int aviFiles = kFiles / 4;
    if (!work.isValid() || (!reuse && !makeTree(root, &aviFiles))) {
        std::fprintf(stderr, "could not make the tree\n");
        return 1;
    }

    // Warm both: the folders' entries in the kernel's caches, the program's
    // code in memory.
    addAllThroughWindow(root);
    findDirectly(root);

    QList<double> ratios;
    QList<double> cpuRatios;
    double windowTotal = 0;
    double findTotal = 0;
    bool failed = false;
    for (int round = 0; round < rounds; ++round) {
        Timed window;
        Timed find;
        if (round % 2 == 0) {
            window = addAllThroughWindow(root);
            find = findDirectly(root);
        } else {
            find = findDirectly(root);
            window = addAllThroughWindow(root);
        }
        if (window.found != aviFiles || find.found != aviFiles) {
            std::fprintf(stderr, "round %d: the window found %d files, find %d, the tree holds %d\n", round,
                window.found, find.found, aviFiles);
            failed = true;
        }
        windowTotal += window.ms;
        findTotal += find.ms;
        ratios << window.ms / find.ms;
        cpuRatios << window.cpuMs / find.cpuMs;
    }
    if (ratios.isEmpty())
        return 1;
    std::sort(ratios.begin(), ratios.end());
    std::sort(cpuRatios.begin(), cpuRatios.end());
    std::printf("%d files (%d .avi) in %d folders, %d rounds: Add All %.1f ms, find %.1f ms on average\n", kFiles,
        aviFiles, kFolders, rounds, windowTotal / rounds, findTotal / rounds);
    std::printf("ratio Add All / find: min %.2f, median %.2f, max %.2f\n", ratios.front(), ratios[ratios.size() / 2],
        ratios.back());
    std::printf("processor time Add All / find (with its start): min %.2f, median %.2f, max %.2f\n", cpuRatios.front(),
        cpuRatios[cpuRatios.size() / 2], cpuRatios.back());
    return failed ? 1 : 0;
}
