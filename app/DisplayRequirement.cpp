// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "DisplayRequirement.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <initializer_list>
#include <unistd.h>

namespace {

QtMessageHandler g_previousHandler = nullptr;

// Qt's fatal message when no platform plugin could start, and the warnings
// that come before it; they all say that there is no desktop to open on.
bool IsAboutTheMissingDisplay(const QString &message)
{
    return message.contains(QLatin1String("could not connect to display"))
        || message.contains(QLatin1String("Qt platform plugin"));
}

// "NAME=value" for each of the variables that is set, separated by commas.
QByteArray VariablesSet(std::initializer_list<const char *> names)
{
    QByteArrayList set;
    for (const char *name : names) {
        if (qEnvironmentVariableIsSet(name))
            set << QByteArray(name) + '=' + qgetenv(name);
    }
    return set.join(", ");
}

QByteArray MissingDisplayLine()
{
    const QByteArray displays = VariablesSet({"DISPLAY", "WAYLAND_DISPLAY"});
    QByteArray line = "Reelwright needs a graphical desktop, ";
    line += displays.isEmpty() ? QByteArray("and neither DISPLAY nor WAYLAND_DISPLAY is set")
                               : "but the display " + displays + " could not be opened";
    if (const QByteArray platform = VariablesSet({"QT_QPA_PLATFORM"}); !platform.isEmpty())
        line += " (" + platform + ')';
    return line + '\n';
}

void ReportAMissingDisplay(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!IsAboutTheMissingDisplay(message)) {
        g_previousHandler(type, context, message);
        return;
    }
    // The warnings are followed by the fatal message, or by another plugin
    // that starts after all.
    if (type != QtFatalMsg)
        return;
    const QByteArray line = MissingDisplayLine();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    ::_exit(1);
}

} // namespace

void StartReportingAMissingDisplay()
{
    g_previousHandler = qInstallMessageHandler(ReportAMissingDisplay);
}

void StopReportingAMissingDisplay()
{
    qInstallMessageHandler(g_previousHandler);
}
