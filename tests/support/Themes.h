// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPalette>

#include <algorithm>
#include <cmath>

// WCAG 2's contrast ratio of two colours, from 1 (the same) to 21.
inline double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &colour) {
        const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Desktop themes as a user may have them: light text on dark faces, and
// dark text on light ones.
inline QPalette darkTheme()
{
    QPalette dark(QColor(0xee, 0xee, 0xee), QColor(0x35, 0x35, 0x35), QColor(0x50, 0x50, 0x50),
        QColor(0x20, 0x20, 0x20), QColor(0x2a, 0x2a, 0x2a), QColor(0xee, 0xee, 0xee), Qt::white,
        QColor(0x24, 0x24, 0x24), QColor(0x2d, 0x2d, 0x2d));
    dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    return dark;
}

inline QPalette lightTheme()
{
    QPalette light(Qt::black, QColor(0xd6, 0xd2, 0xd0), Qt::white, QColor(0x9a, 0x99, 0x96), QColor(0xbe, 0xbb, 0xb8),
        Qt::black, Qt::white, Qt::white, QColor(0xf6, 0xf5, 0xf4));
    light.setColor(QPalette::ButtonText, QColor(0x2e, 0x34, 0x36));
    return light;
}
