// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// What the wait for a child costs: trivial children started through
// RunAndWait against the same children started directly with QProcess.
#include "RunAndWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    const QString child = QStandardPaths::findExecutable(QStringLiteral("true"));

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(child, {});
        process.waitForFinished(-1);
    }
    const double direct = double(clock.nsecsElapsed()) / 1e6;

    clock.restart();
    for (int i = 0; i < runs; ++i)
        RunAndWait(ChildCommand{child, {}});
    const double waited = double(clock.nsecsElapsed()) / 1e6;

    std::printf("%d children: direct %.1f ms, RunAndWait %.1f ms, ratio %.3f, extra %.3f ms per child\n", runs, direct,
        waited, waited / direct, (waited - direct) / runs);
    return 0;
}
