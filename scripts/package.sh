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
# Built with the flags a Debian package gets, hardening and all: CMake never
# reads CPPFLAGS, where _FORTIFY_SOURCE comes, and takes flags from the
# environment only when a build tree is new, so they are named every time.
buildflags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
debian_flags=(
    "-DCMAKE_CXX_FLAGS=$(buildflags CXXFLAGS) $(buildflags CPPFLAGS)"
    "-DCMAKE_EXE_LINKER_FLAGS=$(buildflags LDFLAGS)"
    "-DCMAKE_SHARED_LINKER_FLAGS=$(buildflags LDFLAGS)"
    "-DCMAKE_MODULE_LINKER_FLAGS=$(buildflags LDFLAGS)"
)
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr "${debian_flags[@]}" "$@"
cmake --build build-package
(cd build-package && cpack -G DEB)
ls build-package/reelwright_*.deb
