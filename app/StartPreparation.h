// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QImage>
#include <QList>

#include <future>

// The parts of the start that need no window, done on other threads while
// the main thread sets Qt up and builds the window: fontconfig reads its
// configuration and font caches, which needs nothing of Qt, so it begins
// before the application object exists; the program icon's images are
// decoded once it exists.
class StartPreparation final {
public:
    // Begins reading the font configuration.
    StartPreparation();
    Q_DISABLE_COPY_MOVE(StartPreparation)
    // Waits for whatever still runs.
    ~StartPreparation();

    // Begins decoding the icon; the application object must exist.
    void startDecodingIcon();

    // Waits until the font configuration is read. Qt reads it when the first
    // text is measured, and would otherwise read it a second time.
    void waitForFonts();

    // The program icon of the decoded images; decoded now when decoding has
    // not begun.
    QIcon programIcon();

private:
    std::future<void> m_fonts;
    std::future<QList<QImage>> m_iconImages;
};
