#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the program's two pointer images and writes them in the Windows
formats the program reads: HAND-M.CUR (the hand over the buttons, hot spot
at the tip of the finger) and drag.ico (the pointer while an item of the
list is dragged). Run it from anywhere; it writes beside itself."""

import os
import struct

SIZE = 32
BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
BLUE = (0x2A, 0x6F, 0xDB, 255)
CLEAR = (0, 0, 0, 0)

# The inside of the hand: a raised index finger, three folded fingers and
# the thumb. The outline is added around it.
HAND = """
.......##.........
.......##.........
.......##.........
.......##.........
.......##.........
.......##.##......
.......##.##.##...
.......##.##.##.##
.......##.##.##.##
...##..##.##.##.##
...###.###########
....##############
....##############
.....#############
.....#############
......###########.
......###########.
.......##########.
.......#########..
.......#########..
"""


def outlined(inside):
    """Pixels of the inside in white, and every pixel next to one of them
    (the eight neighbours) that is not inside, in black."""
    pixels = [[CLEAR] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            if inside(x, y):
                pixels[y][x] = inside(x, y)
            elif any(inside(x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                pixels[y][x] = BLACK
    return pixels


def hand():
    rows = HAND.strip("\n").split("\n")

    def inside(x, y):
        # One pixel of room above and left of the drawing for the outline.
        x, y = x - 1, y - 1
        if 0 <= y < len(rows) and 0 <= x < len(rows[y]) and rows[y][x] == "#":
            return WHITE
        return None

    pixels = outlined(inside)
    top = next(y for y in range(SIZE) if any(p != CLEAR for p in pixels[y]))
    tip = [x for x in range(SIZE) if pixels[top][x] != CLEAR]
    return pixels, (tip[len(tip) // 2], top)


def drag():
    """An item of the list between an arrow up and an arrow down."""

    def inside(x, y):
        cx = 15.5
        # The item: a bar across the middle.
        if 12 <= y <= 18 and 5 <= x <= 26:
            return BLUE
        # The arrows: triangles whose tips are at the top and bottom.
        for tip, base in ((2, 9), (29, 22)):
            lo, hi = min(tip, base), max(tip, base)
            if lo <= y <= hi:
                half = 5.5 * abs(y - tip) / abs(base - tip)
                if abs(x - cx) <= half:
                    return WHITE
        # The stems between arrow and item.
        if (10 <= y <= 11 or 19 <= y <= 21) and 14 <= x <= 17:
            return WHITE
        return None

    return outlined(inside)


def dib(pixels):
    """A 32-bit device-independent bitmap as icon and cursor files hold it:
    the header counts the AND mask in the height, rows go bottom up."""
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(
        struct.pack("BBBB", b, g, r, a) for row in reversed(pixels) for (r, g, b, a) in row
    )
    mask = b""
    for row in reversed(pixels):
        bits = 0
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    return header + colour + mask


def write(path, kind, pixels, hot_spot):
    image = dib(pixels)
    # For a cursor the two words after the colour count are the hot spot;
    # for an icon they are the planes and the bits per pixel.
    extra = hot_spot if kind == 2 else (1, 32)
    directory = struct.pack("<HHH", 0, kind, 1) + struct.pack(
        "<BBBBHHII", SIZE, SIZE, 0, 0, extra[0], extra[1], len(image), 6 + 16
    )
    with open(path, "wb") as out:
        out.write(directory + image)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pixels, tip = hand()
    write(os.path.join(here, "HAND-M.CUR"), 2, pixels, tip)
    write(os.path.join(here, "drag.ico"), 1, drag(), None)
    print("HAND-M.CUR hot spot", tip)


if __name__ == "__main__":
    main()
