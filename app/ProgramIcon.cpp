// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramIcon.h"

#include <QPixmap>

QIcon ProgramIcon()
{
    return ProgramIcon(ProgramIconImages());
}

QList<QImage> ProgramIconImages()
{
    QList<QImage> images;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QImage image(QStringLiteral(":/icons/reelwright-%1.png").arg(size), "png");
        if (!image.isNull())
            images << image;
    }
    return images;
}

QIcon ProgramIcon(const QList<QImage> &images)
{
    QIcon icon;
    // The pixels stay as decoded, not premultiplied: an X11 window icon
    // takes them so, and the window's icon is all this icon is drawn for.
    for (const QImage &image : images)
        icon.addPixmap(QPixmap::fromImage(image, Qt::NoFormatConversion));
    return icon;
}
