# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Sourced by the scripts that build the package: debian_flags holds the
# flags a Debian package is built with, hardening and all, as CMake options.
# CMake never reads CPPFLAGS, where _FORTIFY_SOURCE comes, and takes flags
# from the environment only when a build tree is new, so they are named
# every time.
buildflags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
debian_flags=(
    "-DCMAKE_CXX_FLAGS=$(buildflags CXXFLAGS) $(buildflags CPPFLAGS)"
    "-DCMAKE_EXE_LINKER_FLAGS=$(buildflags LDFLAGS)"
    "-DCMAKE_SHARED_LINKER_FLAGS=$(buildflags LDFLAGS)"
    "-DCMAKE_MODULE_LINKER_FLAGS=$(buildflags LDFLAGS)"
)
