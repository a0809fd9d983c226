#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Renders the program icon at the sizes a desktop asks for (needs
# rsvg-convert, Debian's librsvg2-bin). The PNGs are kept in the repository,
# so building needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" reelwright.svg -o "reelwright-$size.png"
done
