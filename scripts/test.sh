#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Sets up a fresh Debian machine, builds Reelwright with the sanitizers and
# runs every test headless, after checking the installed and packaged
# program. Exits non-zero when any check or test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build-tests -G Ninja -DCMAKE_BUILD_TYPE=Debug -DREELWRIGHT_SANITIZE=ON -DBUILD_TESTING=ON
cmake --build build-tests
# The program as it is installed and packaged; the tests run whatever it found.
install_status=0
scripts/check-install.sh || install_status=$?
cd build-tests
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 "$@"
if [ "$install_status" -ne 0 ]; then
    echo "check-install failed (exit $install_status)" >&2
    exit "$install_status"
fi
