// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Form1.h"
#include "ProgramEnd.h"
#include "QtDialogs.h"
#include "TerminationSignals.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Reelwright"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.reelwright.Reelwright"));
    QApplication::setQuitOnLastWindowClosed(true);

    QtDialogs dialogs;
    Form1 window(dialogs);
    TerminationSignals signals;
    CloseWindowOnTermination(window, signals);
    window.show();
    return QApplication::exec();
}
