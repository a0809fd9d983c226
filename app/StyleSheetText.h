// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Reading a skin's style sheet the way Qt's style sheet parser splits it,
// comments, quoted texts and escapes included.

// Why text is not a style sheet the engine accepts (an empty answer when it
// is one): a NUL, a comment or a quoted string left open, braces that do not
// pair up, or a block without a selector in front of it.
QString StyleSheetFault(const QString &text);

// The addresses of every url() in a style sheet, as the style sheet parser
// reads them (escapes replaced, quotation marks taken off), in order; those
// inside comments and quoted texts are none.
QStringList StyleSheetAddresses(const QString &text);
