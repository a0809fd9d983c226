#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Sets up a fresh Debian machine, builds Reelwright and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
cmake --build build
exec build/reelwright "$@"
