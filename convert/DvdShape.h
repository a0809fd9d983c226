// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A DVD shows its picture in one of two shapes, 4:3 or 16:9; the target
// "ntsc-dvd" alone squeezes every source into 720x480 whatever its shape.
// This video filter, given to the converter before the target's own
// scaling, gives each result the DVD shape nearer to the source's display
// shape (the border is their geometric middle, about 1.54) and fits the
// picture whole inside it with centred black bars: above and below for a
// wider picture, at the sides for a narrower one. Nothing is cropped or
// stretched. A source that has the shape already, within 1 %, passes
// unchanged (an odd size gains a black column or row to become even), and
// so do studio frames 720 or 704 wide with the pixel shapes
// of DV and DVD (10:11 and 40:33, 12:11 and 16:11), whose middle 704
// columns are 4:3 or 16:9 by the studio standard. A large picture is scaled
// down before it is padded, so a 4K portrait never becomes a 5120x3840
// frame on the way; the padded size is rounded up to what the colour
// planes need. The converter turns a picture that its rotation tag turns
// before any filter, so the shape is that of the picture as shown.
QString DvdShapeFilter();
