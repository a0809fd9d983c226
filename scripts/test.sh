#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Sets up a fresh Debian machine, builds Reelwright with the sanitizers and
# runs every test headless, after checking the installed and packaged
# program; the fuzz targets, built with clang, replay their corpora and fuzz
# meanwhile (scripts/fuzz.sh). Exits non-zero when any check, test or fuzz
# target fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build-tests -G Ninja -DCMAKE_BUILD_TYPE=Debug -DREELWRIGHT_SANITIZE=ON -DBUILD_TESTING=ON
cmake --build build-tests
scripts/fuzz.sh --build
# The program as it is installed and packaged; the tests run whatever it found.
install_status=0
scripts/check-install.sh || install_status=$?

scripts/fuzz.sh >build-fuzz/fuzz-run.log 2>&1 &
fuzz_job=$!
test_status=0
(cd build-tests && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 "$@") || test_status=$?
fuzz_status=0
wait "$fuzz_job" || fuzz_status=$?
cat build-fuzz/fuzz-run.log

if [ "$install_status" -ne 0 ]; then
    echo "check-install failed (exit $install_status)" >&2
fi
if [ "$fuzz_status" -ne 0 ]; then
    echo "fuzzing failed (exit $fuzz_status)" >&2
fi
for status in "$test_status" "$install_status" "$fuzz_status"; do
    if [ "$status" -ne 0 ]; then
        exit "$status"
    fi
done
