// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

// The program's icon: a film reel, drawn at the sizes a desktop asks for.
QIcon ProgramIcon();
