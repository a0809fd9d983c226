// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramEnd.h"

#include "Form1.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QDialog>

void CloseWindowOnTermination(Form1 &window, TerminationSignals &signals)
{
    QObject::connect(&signals, &TerminationSignals::terminationRequested, &window, [&window] {
        // A dialog waiting for an answer would keep the program alive; it is
        // answered as if the user had cancelled it.
        const QList<QWidget *> windows = QApplication::topLevelWidgets();
        for (QWidget *widget : windows) {
            if (auto *dialog = qobject_cast<QDialog *>(widget); dialog && dialog->isVisible())
                dialog->reject();
        }
        window.close();
    });
}
