// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

// Keeps count of the folder scans under way in one window, so that closing
// the window can stop them: a scan lets the window handle its events, and a
// window that closed while a scan went on would leave it running unseen.
class ScanActivity final : public QObject {
    Q_OBJECT
public:
    explicit ScanActivity(QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(ScanActivity)

    bool isScanning() const { return m_running > 0; }

    // Asks every scan under way to stop at its next look at the window's
    // events. The request lapses when the last scan has ended.
    void requestStop();
    bool stopRequested() const { return m_stopRequested; }

    void scanStarted();
    void scanEnded();

Q_SIGNALS:
    // The last scan under way has ended.
    void allEnded();

private:
    int m_running = 0;
    bool m_stopRequested = false;
};
