// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// What a conversion run costs beyond the converter itself: generated clips
// converted by "Start Converting" in the shown main window (scripted
// dialogs) against the same ffmpeg commands run one after the other, in one
// process. The sides take turns at going first; one round of each warms up.
// Every result of both sides must be there and not empty, and the run must
// end with "Done.", or the benchmark fails.
//
//   bench_conversion_run [rounds] [clips] [clip seconds]
#include "BenchFigures.h"
#include "FileListWidget.h"
#include "Form1.h"
#include "QuietStart.h"
#include "ScriptedDialogs.h"
#include "TestTree.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QString resultOf(const QString &source, const QString &outFolder)
{
    return outFolder + u'/' + QFileInfo(source).completeBaseName() + QStringLiteral(".mov");
}

bool allResultsThere(const QStringList &sources, const QString &outFolder, const char *side)
{
    for (const QString &source : sources) {
        if (QFileInfo(resultOf(source, outFolder)).size() <= 0) {
            std::fprintf(stderr, "%s: no result for %s\n", side, qPrintable(source));
            return false;
        }
    }
    return true;
}

// Milliseconds, or a negative number when a result is missing.
double convertDirectly(const QStringList &sources, const QString &outFolder)
{
    QElapsedTimer clock;
    clock.start();
    for (const QString &source : sources) {
        QProcess ffmpeg;
        ffmpeg.setStandardInputFile(QProcess::nullDevice());
        ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
        ffmpeg.start(FfmpegProgram(),
            {QStringLiteral("-i"), source, QStringLiteral("-target"), QStringLiteral("ntsc-dvd"),
                resultOf(source, outFolder)});
        ffmpeg.waitForFinished(-1);
    }
    const double elapsed = double(clock.nsecsElapsed()) / 1e6;
    return allResultsThere(sources, outFolder, "ffmpeg alone") ? elapsed : -1;
}

double convertThroughWindow(const QStringList &sources, const QString &outFolder)
{
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    form.show();
    for (const QString &source : sources)
        form.listView1()->appendPath(source);
    form.text1()->setText(outFolder + u'/');
    QElapsedTimer clock;
    clock.start();
    form.PushButton2_Click();
    const double elapsed = double(clock.nsecsElapsed()) / 1e6;
    if (dialogs.messageTexts() != QStringList{QStringLiteral("Done.")}) {
        std::fprintf(stderr, "the run did not end with \"Done.\": %s\n", qPrintable(dialogs.messageTexts().join(u'|')));
        return -1;
    }
    return allResultsThere(sources, outFolder, "the window") ? elapsed : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5;
    const int clips = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 8;
    const double seconds = argc > 3 ? QString::fromLocal8Bit(argv[3]).toDouble() : 2.0;

    if (rounds < 1 || clips < 2) {
        std::fprintf(stderr, "usage: bench_conversion_run [rounds >= 1] [clips >= 2] [clip seconds]\n");
        return 2;
    }
    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toUtf8());
    qputenv("TEMP", work.path().toUtf8());
    QStringList sources;
    for (int i = 0; i < clips; ++i) {
        sources << work.filePath(QStringLiteral("clip%1.avi").arg(i));
        if (!MakeClip(sources.back(), seconds))
            return 1;
    }

    int folders = 0;
    const auto freshFolder = [&] {
        const QString folder = work.filePath(QStringLiteral("out%1").arg(folders++));
        QDir().mkpath(folder);
        return folder;
    };
    const QStringList warmUp = sources.mid(0, 2);
    if (convertDirectly(warmUp, freshFolder()) < 0 || convertThroughWindow(warmUp, freshFolder()) < 0)
        return 1;

    std::vector<double> ratios;
    std::vector<double> extraPerFile;
    for (int round = 0; round < rounds; ++round) {
        double direct = 0;
        double window = 0;
        if (round % 2 == 0) {
            direct = convertDirectly(sources, freshFolder());
            window = convertThroughWindow(sources, freshFolder());
        } else {
            window = convertThroughWindow(sources, freshFolder());
            direct = convertDirectly(sources, freshFolder());
        }
        if (direct < 0 || window < 0)
            return 1;
        ratios.push_back(window / direct);
        extraPerFile.push_back((window - direct) / clips);
    }
    std::printf("%d rounds of %d clips of %.1f s, sides alternating:\n", rounds, clips, seconds);
    BenchFigures::of(ratios).print("ratio window / ffmpeg alone", "");
    BenchFigures::of(extraPerFile).print("extra per file", "ms");
    return 0;
}
