// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// A pointer file read by the program beside Qt's own ico plugin. Whenever
// the program takes a file, Qt's reader gives a picture of the same size and
// the same pixels, and the hot spot lies inside the picture. Pixels are
// compared premultiplied: Qt's reader hands its picture over in that form,
// in which a fully transparent pixel has no colour and a nearly transparent
// one only a coarse one; the program keeps the file's colours as they are.
#include "FuzzSupport.h"
#include "PointerImage.h"
#include "RuntimeError.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>

namespace {

QImage qtPicture(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, bytes.at(2) == 2 ? "cur" : "ico");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QString firstDifference(const QImage &ours, const QImage &qt)
{
    for (int y = 0; y < ours.height(); ++y) {
        for (int x = 0; x < ours.width(); ++x) {
            if (ours.pixel(x, y) != qt.pixel(x, y))
                return QStringLiteral("at %1,%2: ours %3, Qt's %4")
                    .arg(x)
                    .arg(y)
                    .arg(ours.pixel(x, y), 8, 16, QChar(u'0'))
                    .arg(qt.pixel(x, y), 8, 16, QChar(u'0'));
        }
    }
    return QStringLiteral("in the format only");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Qt's image plugins want an application.
    FuzzApplication<QGuiApplication>();
    const QByteArray bytes = FuzzBytes(data, size);
    PointerImage pointer;
    try {
        pointer = DecodePointerImage(bytes, QStringLiteral("fuzz"));
    } catch (const RuntimeError &) {
        return 0;
    }
    FuzzCheck(!pointer.image.isNull(), "a file taken has a picture");
    const QSize ourSize = pointer.image.size();
    FuzzCheck(pointer.image.rect().contains(pointer.hotSpot), "the hot spot lies inside the picture",
        QStringLiteral("hot spot %1,%2 in %3x%4")
            .arg(pointer.hotSpot.x())
            .arg(pointer.hotSpot.y())
            .arg(ourSize.width())
            .arg(ourSize.height()));

    const QImage qt = qtPicture(bytes);
    FuzzCheck(!qt.isNull(), "Qt's reader takes the file too");
    FuzzCheck(qt.size() == ourSize, "Qt's picture has the same size",
        QStringLiteral("ours %1x%2, Qt's %3x%4")
            .arg(ourSize.width())
            .arg(ourSize.height())
            .arg(qt.width())
            .arg(qt.height()));
    const QImage ours = pointer.image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage theirs = qt.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    FuzzCheck(ours == theirs, "Qt's picture has the same pixels", firstDifference(ours, theirs));
    return 0;
}
