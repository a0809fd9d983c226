// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <future>

// The part of the start that needs no window, done on another thread while
// the main thread sets Qt up and builds the window: fontconfig reads its
// configuration and font caches, which needs nothing of Qt, so it begins
// before the application object exists.
class StartPreparation final {
public:
    // Begins reading the font configuration.
    StartPreparation();
    Q_DISABLE_COPY_MOVE(StartPreparation)
    // Waits for whatever still runs.
    ~StartPreparation();

    // Waits until the font configuration is read. Qt reads it when the first
    // text is measured, and would otherwise read it a second time.
    void waitForFonts();

private:
    std::future<void> m_fonts;
};
