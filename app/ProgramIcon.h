// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QImage>
#include <QList>

// The program's icon: a film reel becoming a clip, at the sizes a desktop
// asks for, rendered from resources/icons/reelwright.svg.
QIcon ProgramIcon();

// The same icon in two halves, so the slow half can run on another thread:
// decoding the images (any thread, once the application object exists), and
// making the icon of them (the main thread).
QList<QImage> ProgramIconImages();
QIcon ProgramIcon(const QList<QImage> &images);
