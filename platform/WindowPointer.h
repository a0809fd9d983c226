// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The window pointer values the program uses: one setting for the whole
// window, its controls included.
enum WindowPointer : int {
    PointerDefault = 0,
    PointerArrow = 1,
    PointerBusy = 11,
    PointerCustom = 99,
};
