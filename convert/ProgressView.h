// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the bar shows while no work goes on.
inline const QString kProgressBarRestingText = QStringLiteral("Progress Bar");

// What a long wait needs of a progress bar: a value on a scale of 0 to 100
// that may hold fractions and may run past 100, and a text drawn on the bar.
class ProgressView {
public:
    virtual ~ProgressView() = default;

    virtual double value() const = 0;
    virtual void setValue(double value) = 0;
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
};
