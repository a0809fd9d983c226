// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramIcon.h"

#include <QImage>
#include <QPixmap>
#include <QResource>

QList<int> ProgramIconSizes()
{
    return {16, 24, 32, 48, 64, 128, 256};
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int size : ProgramIconSizes()) {
        // Each size is a square of 32-bit ARGB words, stored uncompressed,
        // laid out at build time from the PNG of that size.
        const QResource pixels(QStringLiteral(":/icons/reelwright-%1.argb32").arg(size));
        const qsizetype bytesPerLine = qsizetype(size) * 4;
        if (!pixels.isValid() || pixels.compressionAlgorithm() != QResource::NoCompression
            || pixels.size() != bytesPerLine * size)
            continue;
        // The image reads the resource in place, and so does the pixmap; the
        // pixels stay as they are, not premultiplied, as an X11 window icon
        // takes them.
        const QImage image(pixels.data(), size, size, bytesPerLine, QImage::Format_ARGB32);
        icon.addPixmap(QPixmap::fromImage(image, Qt::NoFormatConversion));
    }
    return icon;
}
