#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Starts the built program in a virtual X server and saves a picture of its
# window: scripts/screenshot.sh [program] [picture.png]
set -euo pipefail
cd "$(dirname "$0")/.."

program=${1:-build/reelwright}
picture=${2:-docs/main-window.png}
mkdir -p "$(dirname "$picture")"

# The window is 536 by 446 pixels and opens centred; without a window manager
# it has no frame, so its place on the screen follows from the screen's size.
export REELWRIGHT_SHOT_PROGRAM=$program REELWRIGHT_SHOT_PICTURE=$picture
# A configuration folder of its own, so the picture neither reads nor changes
# the user's remembered choices.
XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" bash -c '
    "$REELWRIGHT_SHOT_PROGRAM" &
    pid=$!
    sleep 3
    ffmpeg -v error -y -f x11grab -video_size 536x446 -i "$DISPLAY+244,161" -frames:v 1 "$REELWRIGHT_SHOT_PICTURE"
    kill "$pid"
'
echo "saved $picture"
