// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Reading a skin's style sheet the way Qt's style sheet parser splits it,
// comments, quoted texts and escapes included.

// Why text is not a style sheet the engine accepts, or one the check cannot
// read the way Qt will (an empty answer when it is one): a NUL, a comment
// or a quoted text left open, braces that do not pair up, a block without a
// selector in front of it, a url() that is not closed or holds a brace, an
// escape read otherwise than a plain one, a text that names the file to
// read the style sheet from, an @import, or a control's property set to a
// text (a style sheet of its own, or rich text naming images).
QString StyleSheetFault(const QString &text);

// The addresses of every url() in a style sheet, as the style sheet parser
// reads them (escapes replaced, quotation marks taken off), in order; those
// inside comments and quoted texts are none. A url() that begins inside
// another's address is read too, and one that is not closed is left out.
QStringList StyleSheetAddresses(const QString &text);
