#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Starts the built program in a virtual X server and saves pictures of its
# window: without the skin, with it, and both again under a dark desktop
# theme (GTK's Adwaita:dark through Qt's gtk3 platform theme, which needs
# Debian's qt6-gtk-platformtheme; without it the dark pictures are left out);
# then the skin once more with the keyboard focus on "Load Sample/Example
# Files", reached with Tab.
#
#   scripts/screenshot.sh [program] [folder for the pictures]
set -euo pipefail
cd "$(dirname "$0")/.."

program=$(realpath "${1:-build/reelwright}")
pictures=${2:-docs}
mkdir -p "$pictures"

# A configuration folder of its own, so the pictures neither read nor change
# the user's remembered choices, and two program folders: the program reads
# its skin and pointers from the folder of its executable.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
for look in plain skin; do
    mkdir -p "$work/$look"
    cp "$program" "$work/$look/reelwright"
    cp resources/HAND-M.CUR resources/drag.ico "$work/$look/"
done
mkdir -p "$work/skin/x"
cp resources/x/o.cjs "$work/skin/x/"

# The window is 536 by 446 pixels and opens centred; without a window manager
# it has no frame, so its place on the screen follows from the screen's size.
# Keys, when given, are typed into the window first; without a window manager
# the window is given the keyboard by hand.
shoot() { # program picture [keys] [environment...]
    local program=$1 picture=$2 keys=${3:-}
    shift $(($# < 3 ? $# : 3))
    REELWRIGHT_SHOT_PROGRAM=$program REELWRIGHT_SHOT_PICTURE=$picture REELWRIGHT_SHOT_KEYS=$keys \
        env "$@" xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -noreset" bash -c '
        "$REELWRIGHT_SHOT_PROGRAM" 2>/dev/null &
        pid=$!
        sleep 3
        if [ -n "$REELWRIGHT_SHOT_KEYS" ]; then
            xdotool search --name "Reelwright Software" windowfocus --sync
            xdotool key --delay 150 $REELWRIGHT_SHOT_KEYS
        fi
        # The pointer rests over "Start Converting", which shows the hand.
        xdotool mousemove 650 560 2>/dev/null || true
        sleep 0.5
        ffmpeg -v error -y -f x11grab -video_size 536x446 -i "$DISPLAY+244,161" -frames:v 1 "$REELWRIGHT_SHOT_PICTURE"
        kill "$pid"
    '
    echo "saved $picture"
}

shoot "$work/plain/reelwright" "$pictures/main-window.png"
shoot "$work/skin/reelwright" "$pictures/main-window-skin.png"
if compgen -G "/usr/lib/*/qt6/plugins/platformthemes/libqgtk3.so" >/dev/null; then
    dark=(QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark)
    shoot "$work/plain/reelwright" "$pictures/main-window-dark.png" "" "${dark[@]}"
    shoot "$work/skin/reelwright" "$pictures/main-window-skin-dark.png" "" "${dark[@]}"
else
    echo "no dark pictures: Qt's gtk3 platform theme (qt6-gtk-platformtheme) is not installed" >&2
fi
shoot "$work/skin/reelwright" "$pictures/main-window-skin-focus.png" "Tab Tab Tab Tab Tab"
