// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The main window with scripted dialogs, converting the files named on the
// command line with a stand-in converter, as the program would: tests send
// it signals and look at what is left. SIGUSR1 makes it end as the toolkit
// ends a program that lost its display, with exit(). With --once it ends
// after the run, and prints the messages the run showed.
//
//   conversion_driver [--once] <converter> <source>...
#include "ConversionRun.h"
#include "FileListWidget.h"
#include "Form1.h"
#include "ProgramEnd.h"
#include "QuietStart.h"
#include "ScriptedDialogs.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QRadioButton>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments();
    const bool once = arguments.value(1) == QLatin1String("--once");
    if (once)
        arguments.removeAt(1);
    if (arguments.size() < 3)
        return 2;
    static volatile std::sig_atomic_t lostDisplay = 0;
    std::signal(SIGUSR1, [](int) { lostDisplay = 1; });

    ScriptedDialogs dialogs;
    Form1 window(dialogs, QuietStart(std::chrono::milliseconds(10)));
    TerminationSignals signals;
    CloseWindowOnTermination(window, signals);
    window.conversionRun().setConverterResource(arguments[1]);
    for (const QString &source : arguments.mid(2))
        window.listView1()->appendPath(source);
    window.option2()->setChecked(true);
    window.show();
    if (once) {
        QObject::connect(&window.conversionRun(), &ConversionRun::finished, &app, [&dialogs] {
            std::fputs(qPrintable(dialogs.messageTexts().join(QLatin1Char('\n')) + QLatin1Char('\n')), stdout);
            QApplication::quit();
        });
    }

    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [] {
        if (lostDisplay)
            std::exit(1);
    });
    watch.start(20);
    QTimer::singleShot(0, &window, &Form1::PushButton2_Click);
    return QApplication::exec();
}
