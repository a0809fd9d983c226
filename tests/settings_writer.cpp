// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Another program sharing the settings file: adds keys to a section of its
// own through QSettings, one at a time, each written at once.
//
//   settings_writer FILE SECTION COUNT
#include <QCoreApplication>
#include <QSettings>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4)
        return 2;
    QSettings settings(arguments.at(1), QSettings::IniFormat);
    const int count = arguments.at(3).toInt();
    for (int i = 0; i < count; ++i) {
        settings.setValue(QStringLiteral("%1/key%2").arg(arguments.at(2)).arg(i), QStringLiteral("value %1").arg(i));
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return 1;
    }
    return 0;
}
