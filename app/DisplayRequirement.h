// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// While QApplication connects to the display, Qt's complaint that it found
// none (no display set, one that cannot be reached, or no plugin for it) is
// turned into one line saying that the program needs a graphical desktop and
// which display it tried, and the program ends with status 1 instead of an
// abort. Every other message goes on as before. Stop once QApplication
// exists, so that nothing else passes through it.
void StartReportingAMissingDisplay();
void StopReportingAMissingDisplay();
