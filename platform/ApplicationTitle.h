// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The title of every message box and prompt that names no title of its own.
// The process holds one; the main window sets it when it starts.
QString ApplicationTitle();
void SetApplicationTitle(const QString &title);

// The application title made from a product name: the last word is always
// removed, then further trailing words while the text is longer than 40
// characters. A name without a blank is kept whole.
QString DeriveApplicationTitle(const QString &productName);
