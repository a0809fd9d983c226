// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class Dialogs;

// The address that every error report asks the user to write to, as the
// build set it; empty when the build names none.
QString SupportAddress();

// The text of an error report: the description, then the location and the
// step on a line of their own, an empty line, and the request to send a
// screenshot to the support address; without an address the report ends
// after the location. The two bare carriage returns are what the report has
// always shown; some readers rely on the exact layout.
QString ErrorReportText(
    const QString &description, const QString &location, int line, const QString &supportAddress = SupportAddress());

// Shows the report with the title "Application Error", the warning icon and
// an OK button, and returns when the user has pressed OK.
void ReportError(Dialogs &dialogs, const QString &location, int line, const QString &description);

// Runs the numbered steps of one action. A step that fails is reported with
// the action's location text and the step's number, and the action goes on
// with its next step; a test that fails counts as met, so the action goes on
// inside the branch that the test guards.
class ReportingProcedure final {
public:
    ReportingProcedure(Dialogs &dialogs, QString location);
    Q_DISABLE_COPY_MOVE(ReportingProcedure)

    // Returns false when the step failed (and was reported).
    bool step(int line, const std::function<void()> &action);

    // The test's answer, or true when evaluating it failed.
    bool test(int line, const std::function<bool()> &condition);

    int failures() const { return m_failures; }
    const QString &location() const { return m_location; }

private:
    void report(int line, const QString &description);

    Dialogs &m_dialogs;
    QString m_location;
    int m_failures = 0;
};
