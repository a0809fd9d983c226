// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Form1.h"

#include <chrono>

// A start of the main window that never opens the home page, with the given
// poll for the wait on the converter.
inline Form1Setup QuietStart(std::chrono::milliseconds pollInterval = std::chrono::milliseconds(100))
{
    Form1Setup setup;
    setup.drawOneToHundred = [] { return 1; };
    setup.pollInterval = pollInterval;
    return setup;
}
