// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

// The program's icon: a film reel becoming a clip, at the sizes a desktop
// asks for, rendered from resources/icons/reelwright.svg.
QIcon ProgramIcon();
