// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Hands the memory that the program has freed back to the system. After a
// large list is emptied the allocator would otherwise keep it for the
// program, which the system then counts as the program's.
void ReturnFreeMemory();
