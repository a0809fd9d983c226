// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPalette>
#include <QString>

class QWidget;
class SkinFramework;

// The window's designed look: white, with dark text, whatever the desktop
// theme. Every role is set, so no light text of a dark theme ends up on the
// white background.
QPalette DesignedPalette();

// The skin file in the program folder, and the cursor file of the hand.
QString SkinFilePath(const QString &programFolder);
QString HandCursorPath(const QString &programFolder);
QString DragImagePath(const QString &programFolder);

// The plain lookup the skin step makes: ordinary files (a link to one
// counts), not folders, hidden files (a name that begins with a dot) or
// system files (FIFOs, sockets, devices).
bool SkinFileFound(const QString &path);

// Dresses the window in the skin of skinFile when that file is found;
// otherwise does nothing, and the window keeps its designed colours. The
// window and its option buttons, check boxes, frames and labels take the
// desktop theme's button face, and their text its button text, so the two
// always belong together; then the skin is loaded and applied. A failure
// throws, with the recolouring done so far in place.
void ApplySkin(QWidget &window, SkinFramework &skin, const QString &skinFile);
