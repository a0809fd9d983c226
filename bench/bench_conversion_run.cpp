// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// What a conversion run costs beyond the converter itself: short generated
// clips converted through the main window (headless, scripted dialogs)
// against the same ffmpeg commands run one after the other directly.
#include "ConverterStaging.h"
#include "FileListWidget.h"
#include "Form1.h"
#include "QuietStart.h"
#include "ScriptedDialogs.h"
#include "TestTree.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

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
                outFolder + u'/' + QFileInfo(source).completeBaseName() + QStringLiteral(".mov")});
        ffmpeg.waitForFinished(-1);
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

double convertThroughWindow(const QStringList &sources, const QString &outFolder)
{
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    for (const QString &source : sources)
        form.listView1()->appendPath(source);
    form.text1()->setText(outFolder + u'/');
    QElapsedTimer clock;
    clock.start();
    form.PushButton2_Click();
    const double elapsed = double(clock.nsecsElapsed()) / 1e6;
    if (dialogs.messageTexts() != QStringList{QStringLiteral("Done.")})
        std::fprintf(stderr, "the run did not end with \"Done.\": %s\n", qPrintable(dialogs.messageTexts().join(u'|')));
    return elapsed;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int clips = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;
    const double seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toDouble() : 2.0;

    QTemporaryDir work;
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toUtf8());
    qputenv("TEMP", work.path().toUtf8());
    QStringList sources;
    for (int i = 0; i < clips; ++i) {
        sources << work.filePath(QStringLiteral("clip%1.avi").arg(i));
        if (!MakeClip(sources.back(), seconds))
            return 1;
    }

    double direct = 0;
    double window = 0;
    constexpr int kRounds = 2;
    for (int round = 0; round < kRounds; ++round) {
        const QString directOut = work.filePath(QStringLiteral("direct%1").arg(round));
        const QString windowOut = work.filePath(QStringLiteral("window%1").arg(round));
        QDir().mkpath(directOut);
        QDir().mkpath(windowOut);
        direct += convertDirectly(sources, directOut);
        window += convertThroughWindow(sources, windowOut);
    }
    std::printf("%d clips of %.1f s, %d rounds: direct %.0f ms, through the window %.0f ms, ratio %.3f\n", clips,
        seconds, kRounds, direct, window, window / direct);
    return 0;
}
