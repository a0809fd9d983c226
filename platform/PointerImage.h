// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QString>

// A pointer image read from a Windows cursor (.cur) or icon (.ico) file:
// the first image of the file and its hot spot.
struct PointerImage {
    QImage image;
    QPoint hotSpot;

    QCursor cursor() const;
};

// Reads a cursor or icon file, only when it is a regular file. A cursor's
// hot spot is the one its directory entry names (Qt's image reader decodes
// the picture but drops the hot spot); an icon has none, so its pointer's is
// the centre. Throws a RuntimeError when the file cannot be read or is not a
// sound cursor or icon file.
PointerImage LoadPointerFile(const QString &path);

// The same from the bytes of a file; name appears in the error.
PointerImage DecodePointerImage(const QByteArray &bytes, const QString &name);
