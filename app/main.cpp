// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConverterConfinement.h"
#include "DisplayRequirement.h"
#include "Form1.h"
#include "ProgramEnd.h"
#include "QtDialogs.h"
#include "StartPreparation.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The name and version, then what the converter runs within on this kernel.
QByteArray VersionText()
{
    return "Reelwright " REELWRIGHT_VERSION "\nConverter confinement: " + ConverterConfinement::Description().toUtf8()
        + '\n';
}

constexpr const char *HelpText = "Usage: reelwright [-h | --help | --version]\n"
                                 "Converts video files in batches into DVD-ready MPEG files. Started without\n"
                                 "an option, it opens its window.\n"
                                 "\n"
                                 "  -h, --help  print this help and exit\n"
                                 "  --version   print the program's name and version, and what walls the\n"
                                 "              converter runs within on this system, and exit\n";

// The two questions every program on the PATH is expected to answer. The
// program reads nothing else from its command line, so every other argument
// is ignored.
QByteArray InformationAskedFor(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0)
            return VersionText();
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return HelpText;
    }
    return {};
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered before QApplication exists: it needs a display, and whoever
    // asks (a packager's script, a terminal without a desktop) wants no window.
    if (const QByteArray text = InformationAskedFor(argc, argv); !text.isEmpty())
        return std::fputs(text.constData(), stdout) >= 0 && std::fflush(stdout) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;

    // Before any other thread can log a message.
    StartReportingAMissingDisplay();
    // What needs no window is done on another thread while this one connects
    // to the display and builds the window.
    StartPreparation preparation;
    // Qt takes options of its own from the arguments it is given (-platform,
    // -stylesheet, -style and more); the program ignores every argument, so
    // Qt is given the program's name alone. Its environment variables work.
    char programName[] = "reelwright";
    int qtArgc = 1;
    char *qtArgv[] = {argc > 0 && argv[0] ? argv[0] : programName, nullptr};
    QApplication app(qtArgc, qtArgv);
    StopReportingAMissingDisplay();
    QApplication::setApplicationName(QStringLiteral("Reelwright"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.reelwright.Reelwright"));
    QApplication::setQuitOnLastWindowClosed(true);

    QtDialogs dialogs;
    preparation.waitForFonts();
    Form1 window(dialogs);
    TerminationSignals signals;
    CloseWindowOnTermination(window, signals);
    window.show();
    return QApplication::exec();
}
