#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Sets up a fresh Debian machine, builds Reelwright for /usr and makes its
# Debian package in build-package/. Extra arguments go to CMake: the package
# needs -DREELWRIGHT_SUPPORT_ADDRESS=... for its Maintainer field, and may
# name -DREELWRIGHT_HOME_PAGE=... (see the README's build settings).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
# Built with the flags a Debian package gets.
source scripts/debian-flags.sh
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr "${debian_flags[@]}" "$@"
cmake --build build-package
(cd build-package && cpack -G DEB)
ls build-package/reelwright_*.deb
