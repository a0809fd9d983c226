// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// What the converter's walls cost: the same ffmpeg conversions, each reading
// its clip through an inherited descriptor and writing into another, as a
// run starts them, once within the walls and once without, in one process.
// A second measure does the same for a child that does nothing, which shows
// what putting the walls up costs per file. The sides take turns at going
// first; one round of each warms up. Every child must end with 0 and every
// result must be whole on both sides, and the walls must be up on this
// kernel, or the benchmark fails.
//
//   bench_confinement [rounds] [clips] [clip seconds]
#include "BenchFigures.h"
#include "ConverterConfinement.h"
#include "FileDescriptor.h"
#include "RunAndWait.h"
#include "TestTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileDescriptor openFile(const QString &path, int flags)
{
    return FileDescriptor(::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0600));
}

// Milliseconds for one pass over the clips; negative when a child failed.
double convertAll(const QStringList &sources, const QString &program, const QStringList &before, bool walled,
    const QString &outFolder)
{
    const FileDescriptor programFile = openFile(program, O_RDONLY);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < sources.size(); ++i) {
        const FileDescriptor source = openFile(sources[i], O_RDONLY);
        const QString resultPath = QStringLiteral("%1/%2.mpg").arg(outFolder).arg(i);
        const FileDescriptor result = openFile(resultPath, O_WRONLY | O_CREAT | O_EXCL);
        if (!source.isOpen() || !result.isOpen())
            return -1;
        ChildCommand command{program,
            before
                + QStringList{QStringLiteral("-i"), QStringLiteral("/proc/self/fd/%1").arg(source.get()),
                    QStringLiteral("-target"), QStringLiteral("ntsc-dvd"), QStringLiteral("pipe:%1").arg(result.get())},
            {}, {source.get(), result.get()}};
        if (walled)
            command.confinement = ChildConfinement{programFile.get(), source.get()};
        ChildRunner runner(std::chrono::milliseconds(10));
        const ChildOutcome outcome = runner.run(command);
        struct stat written { };
        if (!outcome.succeeded() || ::fstat(result.get(), &written) != 0 || written.st_size <= 0) {
            std::fprintf(stderr, "%s: %s failed: %s\n", walled ? "walled" : "unwalled", qPrintable(sources[i]),
                qPrintable(outcome.lastLines.join(u'\n')));
            return -1;
        }
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

// Milliseconds per start of a child that does nothing.
double startNothing(const QString &program, bool walled, int children)
{
    const FileDescriptor programFile = openFile(program, O_RDONLY);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < children; ++i) {
        ChildCommand command{program, {}};
        if (walled)
            command.confinement = ChildConfinement{programFile.get(), -1};
        ChildRunner runner(std::chrono::milliseconds(10));
        if (!runner.run(command).succeeded()) {
            std::fprintf(stderr, "%s: %s failed\n", walled ? "walled" : "unwalled", qPrintable(program));
            return -1;
        }
    }
    return double(clock.nsecsElapsed()) / 1e6 / children;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 7;
    const int clips = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 6;
    const double seconds = argc > 3 ? QString::fromLocal8Bit(argv[3]).toDouble() : 2.0;
    if (rounds < 1 || clips < 1) {
        std::fprintf(stderr, "usage: bench_confinement [rounds >= 1] [clips >= 1] [clip seconds]\n");
        return 2;
    }
    if (ConverterConfinement::LandlockAbi() == 0) {
        std::fprintf(stderr, "the kernel offers no Landlock: there are no walls to measure\n");
        return 1;
    }
    QTemporaryDir work;
    QStringList sources;
    for (int i = 0; i < clips; ++i) {
        sources << work.filePath(QStringLiteral("clip%1.avi").arg(i));
        if (!MakeClip(sources.back(), seconds))
            return 1;
    }
    // The converter as a run starts it: a copy of its own, not a system program.
    const QString converter = work.filePath(QStringLiteral("ffmpeg.exe"));
    const QString nothing = QStringLiteral("/usr/bin/true");
    if (!QFile::copy(FfmpegProgram(), converter) || ::chmod(QFile::encodeName(converter).constData(), 0700) != 0)
        return 1;
    const QStringList quiet{QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error")};

    int folders = 0;
    const auto freshFolder = [&] {
        const QString folder = work.filePath(QStringLiteral("out%1").arg(folders++));
        QDir().mkpath(folder);
        return folder;
    };
    const auto convert = [&](bool walled) { return convertAll(sources, converter, quiet, walled, freshFolder()); };
    if (convert(true) < 0 || convert(false) < 0 || startNothing(nothing, true, 5) < 0
        || startNothing(nothing, false, 5) < 0)
        return 1;

    constexpr int kChildrenPerRound = 40;
    std::vector<double> conversionRatios;
    std::vector<double> extraPerFile;
    std::vector<double> startRatios;
    std::vector<double> extraPerStart;
    for (int round = 0; round < rounds; ++round) {
        const bool walledFirst = round % 2 == 0;
        double walled = 0;
        double unwalled = 0;
        double walledStart = 0;
        double unwalledStart = 0;
        for (const bool side : {walledFirst, !walledFirst}) {
            (side ? walled : unwalled) = convert(side);
            (side ? walledStart : unwalledStart) = startNothing(nothing, side, kChildrenPerRound);
        }
        if (walled < 0 || unwalled < 0 || walledStart < 0 || unwalledStart < 0)
            return 1;
        conversionRatios.push_back(walled / unwalled);
        extraPerFile.push_back((walled - unwalled) / clips);
        startRatios.push_back(walledStart / unwalledStart);
        extraPerStart.push_back(walledStart - unwalledStart);
    }
    std::printf("%d rounds of %d clips of %.1f s and %d empty children, sides alternating (%s):\n", rounds, clips,
        seconds, kChildrenPerRound, qPrintable(ConverterConfinement::Description()));
    BenchFigures::of(conversionRatios).print("conversion, walled / unwalled", "");
    BenchFigures::of(extraPerFile).print("extra per file", "ms");
    BenchFigures::of(startRatios).print("empty child, walled / unwalled", "");
    BenchFigures::of(extraPerStart).print("extra per start", "ms");
    return 0;
}
