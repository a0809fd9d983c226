// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The main window with scripted dialogs, converting the files named on the
// command line with a stand-in converter, as the program would: tests send
// it signals, or let it end as the toolkit ends a program that lost its
// display, and look at what is left.
//
//   conversion_driver <converter> <exit-after-ms or 0> <source>...
#include "FileListWidget.h"
#include "ConversionRun.h"
#include "Form1.h"
#include "ProgramEnd.h"
#include "QuietStart.h"
#include "ScriptedDialogs.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QRadioButton>
#include <QTimer>

#include <cstdlib>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 4)
        return 2;

    ScriptedDialogs dialogs;
    Form1 window(dialogs, QuietStart(std::chrono::milliseconds(10)));
    TerminationSignals signals;
    CloseWindowOnTermination(window, signals);
    window.conversionRun().setConverterResource(arguments[1]);
    for (const QString &source : arguments.mid(3))
        window.listView1()->appendPath(source);
    window.option2()->setChecked(true);
    window.show();

    if (const int exitAfter = arguments[2].toInt(); exitAfter > 0)
        QTimer::singleShot(exitAfter, [] { std::exit(1); });
    QTimer::singleShot(0, &window, &Form1::PushButton2_Click);
    return QApplication::exec();
}
