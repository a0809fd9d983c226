#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Installs the Debian packages that building, running and testing need,
# only those that are missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config libseccomp-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev libfontconfig-dev libxcb1-dev
    ffmpeg dvdauthor
    clang libclang-rt-14-dev qt6-base-private-dev
    fonts-liberation
    xvfb xauth xdotool dbus-daemon
    dpkg-dev file desktop-file-utils appstream lintian man-db
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
else
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
