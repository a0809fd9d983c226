// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class Form1;
class TerminationSignals;

// A termination signal ends the program as closing its window does: open
// dialogs are dismissed, a run stops its converter and cleans up, and the
// window closes.
void CloseWindowOnTermination(Form1 &window, TerminationSignals &signals);
