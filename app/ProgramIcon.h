// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QList>

// The sizes the program icon comes in, smallest first.
QList<int> ProgramIconSizes();

// The program's icon: a film reel becoming a clip, at the sizes a desktop
// asks for, rendered from resources/icons/reelwright.svg. Its pixels are
// read in place from the program's resources; nothing is decoded.
QIcon ProgramIcon();
