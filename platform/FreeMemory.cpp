// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FreeMemory.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

void ReturnFreeMemory()
{
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}
