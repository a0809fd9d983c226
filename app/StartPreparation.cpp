// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "StartPreparation.h"

#ifdef REELWRIGHT_HAS_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace {

void readFontConfiguration()
{
#ifdef REELWRIGHT_HAS_FONTCONFIG
    // Loads the configuration Qt's font database later takes as it stands.
    FcInit();
#endif
}

} // namespace

StartPreparation::StartPreparation()
    : m_fonts(std::async(std::launch::async, readFontConfiguration))
{
}

StartPreparation::~StartPreparation() = default;

void StartPreparation::waitForFonts()
{
    if (m_fonts.valid())
        m_fonts.get();
}
