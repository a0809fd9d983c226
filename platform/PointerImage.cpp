// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PointerImage.h"

#include "ResourceFile.h"
#include "RuntimeError.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

#include <optional>

namespace {

// A pointer file of more than this is no pointer.
constexpr qint64 kMaxPointerFileBytes = 1024 * 1024;

// The file's header and its first directory entry, as the format lays
// them out: six bytes of header, then sixteen bytes per image.
constexpr int kHeaderBytes = 6;
constexpr int kEntryBytes = 16;
constexpr quint16 kTypeIcon = 1;
constexpr quint16 kTypeCursor = 2;

quint16 word(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

quint32 dword(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

RuntimeError damaged(const QString &name, const QString &why)
{
    return RuntimeError(
        RuntimeError::InvalidArgument, QStringLiteral("%1 is not a usable pointer file: %2").arg(name, why));
}

// The image the files of this program hold, and most others: a bitmap of
// 32-bit pixels (blue, green, red, alpha), uncompressed, rows bottom up,
// its height counting the transparency mask's rows too. Read here, it needs
// no image plugin, which would otherwise be looked up and loaded at the
// start. Anything else (a PNG image, fewer bits, a header of another size
// or one that does not match the entry, no alpha at all) is left to Qt's
// reader: nullopt. Qt's reader takes the pixels to follow the first 40
// bytes of any header, so a longer header is its to read. The transparency
// mask after the pixels is not read: for pixels with alpha, Qt's reader
// passes it over too.
std::optional<QImage> decodeAlphaBitmap(const QByteArray &bytes, quint32 offset, quint32 size, int width, int height)
{
    constexpr quint32 kInfoHeaderBytes = 40;
    if (size < kInfoHeaderBytes)
        return std::nullopt;
    // Header size, width, height, planes, bits per pixel, compression, and
    // the number of colours in a table that would precede the pixels.
    const int info = int(offset);
    if (dword(bytes, info) != kInfoHeaderBytes || dword(bytes, info + 4) != quint32(width)
        || dword(bytes, info + 8) != quint32(2 * height) || word(bytes, info + 12) != 1 || word(bytes, info + 14) != 32
        || dword(bytes, info + 16) != 0 || dword(bytes, info + 32) != 0)
        return std::nullopt;
    const quint32 rowBytes = quint32(width) * 4;
    if (size - kInfoHeaderBytes < rowBytes * quint32(height))
        return std::nullopt;

    QImage image(width, height, QImage::Format_ARGB32);
    const auto *rows = reinterpret_cast<const uchar *>(bytes.constData() + offset + kInfoHeaderBytes);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const uchar *from = rows + quint32(height - 1 - y) * rowBytes;
        auto *to = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x, from += 4) {
            to[x] = qRgba(from[2], from[1], from[0], from[3]);
            anyAlpha = anyAlpha || from[3] != 0;
        }
    }
    if (!anyAlpha)
        return std::nullopt;
    return image;
}

} // namespace

QCursor PointerImage::cursor() const
{
    return QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
}

PointerImage DecodePointerImage(const QByteArray &bytes, const QString &name)
{
    if (bytes.size() < kHeaderBytes + kEntryBytes)
        throw damaged(name, QStringLiteral("too short"));
    const quint16 type = word(bytes, 2);
    if (word(bytes, 0) != 0 || (type != kTypeIcon && type != kTypeCursor) || word(bytes, 4) == 0)
        throw damaged(name, QStringLiteral("no icon or cursor header"));

    // The first entry: width, height (0 means 256), colours, reserved, then
    // for a cursor the hot spot's x and y, the image's size and its offset.
    const int entry = kHeaderBytes;
    const int width = quint8(bytes[entry]) == 0 ? 256 : quint8(bytes[entry]);
    const int height = quint8(bytes[entry + 1]) == 0 ? 256 : quint8(bytes[entry + 1]);
    const quint32 size = dword(bytes, entry + 8);
    const quint32 offset = dword(bytes, entry + 12);
    if (offset < quint32(kHeaderBytes + kEntryBytes) || size == 0 || offset > quint32(bytes.size())
        || size > quint32(bytes.size()) - offset)
        throw damaged(name, QStringLiteral("the image lies outside the file"));

    PointerImage pointer;
    if (std::optional<QImage> image = decodeAlphaBitmap(bytes, offset, size, width, height)) {
        pointer.image = std::move(*image);
    } else {
        QByteArray copy = bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, type == kTypeCursor ? "cur" : "ico");
        // The header says what the file is: only the plugin for that format
        // is loaded, rather than every image plugin in turn until one claims
        // it.
        reader.setAutoDetectImageFormat(false);
        pointer.image = reader.read();
        if (pointer.image.isNull())
            throw damaged(name, reader.errorString());
    }

    if (type == kTypeCursor) {
        pointer.hotSpot = QPoint(word(bytes, entry + 4), word(bytes, entry + 6));
        // The picture is measured, not the entry: an entry may name another
        // size than its image has.
        if (!pointer.image.rect().contains(pointer.hotSpot))
            throw damaged(name, QStringLiteral("the hot spot lies outside the image"));
    } else {
        pointer.hotSpot = QPoint(pointer.image.width() / 2, pointer.image.height() / 2);
    }
    return pointer;
}

PointerImage LoadPointerFile(const QString &path)
{
    return DecodePointerImage(ReadRegularFile(path, kMaxPointerFileBytes), path);
}
