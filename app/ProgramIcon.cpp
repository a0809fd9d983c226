// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace {

QPixmap reel(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);

    // The strip of film running off the reel.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x33, 0x33, 0x3a));
    painter.drawRect(QRectF(30, 46, 34, 12));
    painter.setBrush(QColor(0xf2, 0xc1, 0x4e));
    for (int i = 0; i < 4; ++i)
        painter.drawRect(QRectF(34 + i * 8, 48.5, 4, 2.5));

    // The reel: a disc with five windows round a hub.
    QPainterPath disc;
    disc.addEllipse(QPointF(28, 30), 26, 26);
    for (int i = 0; i < 5; ++i) {
        const qreal angle = qDegreesToRadians(-90.0 + i * 72.0);
        disc.addEllipse(QPointF(28 + 14 * qCos(angle), 30 + 14 * qSin(angle)), 6.5, 6.5);
    }
    disc.addEllipse(QPointF(28, 30), 3, 3);
    disc.setFillRule(Qt::OddEvenFill);
    painter.setBrush(QColor(0x2a, 0x6f, 0xdb));
    painter.setPen(QPen(QColor(0x17, 0x3f, 0x80), 2));
    painter.drawPath(disc);
    return pixmap;
}

} // namespace

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(reel(size));
    return icon;
}
