// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScanActivity.h"

ScanActivity::ScanActivity(QObject *parent)
    : QObject(parent)
{
}

void ScanActivity::requestStop()
{
    if (isScanning())
        m_stopRequested = true;
}

void ScanActivity::scanStarted()
{
    ++m_running;
}

void ScanActivity::scanEnded()
{
    if (m_running == 0 || --m_running > 0)
        return;
    m_stopRequested = false;
    Q_EMIT allEnded();
}
