// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextProgressBar.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kScale = 1000; // drawn in tenths of a percent, so fractions show

} // namespace

TextProgressBar::TextProgressBar(QWidget *parent)
    : QProgressBar(parent)
{
    setRange(0, kScale);
    QProgressBar::setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    setAccessibleDescription(m_text);
}

void TextProgressBar::setValue(double value)
{
    m_value = value;
    const double clamped = std::isfinite(value) ? std::clamp(value, 0.0, 100.0) : 0.0;
    QProgressBar::setValue(int(std::lround(clamped * kScale / 100.0)));
}

void TextProgressBar::setText(const QString &text)
{
    m_text = text;
    // A screen reader reads the value on its scale; what the bar says in
    // words reaches it as the description.
    setAccessibleDescription(text);
    update();
}
