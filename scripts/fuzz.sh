#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Reelwright developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Builds the fuzz targets with clang in build-fuzz/, replays each target's
# committed corpus, then fuzzes each for a fixed number of inputs from a
# fixed seed, so that a run repeats exactly. Exits non-zero when any target
# crashed, leaked, timed out or found the program and its reference
# disagreeing; the input is kept in build-fuzz/findings/ and printed.
#
#   scripts/fuzz.sh                      every target, as the test command runs them
#   scripts/fuzz.sh --build              only build them
#   scripts/fuzz.sh skin_addresses       one target (names are fuzz/'s folders)
#   FUZZ_RUNS=5000000 FUZZ_SEED=7 scripts/fuzz.sh path_table
#                                        longer, or from another seed
#   build-fuzz/fuzz/fuzz_path_table -max_total_time=3600 fuzz/path_table/corpus
#                                        libFuzzer's own options, for an hour
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-fuzz

build_only=0
targets=()
for argument in "$@"; do
    case "$argument" in
    --build) build_only=1 ;;
    *) targets+=("$argument") ;;
    esac
done

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DREELWRIGHT_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target reelwright_fuzzers
[ "$build_only" -eq 1 ] && exit 0

if [ ${#targets[@]} -eq 0 ]; then
    for folder in fuzz/*/corpus; do
        targets+=("$(basename "$(dirname "$folder")")")
    done
fi

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/fuzz/lsan.supp
options=(-rss_limit_mb=2048 -timeout=10 -max_len=65536 -print_final_stats=1)

failed=()
for name in "${targets[@]}"; do
    program=$build/fuzz/fuzz_$name
    corpus=$root/fuzz/$name/corpus
    findings=$build/findings/$name
    work=$build/work/$name
    runs=${FUZZ_RUNS:-$(cat "$root/fuzz/$name/runs" 2>/dev/null || echo 100000)}
    rm -rf "$work" && mkdir -p "$work" "$findings"
    echo "== $name: replaying $(ls "$corpus" | wc -l) inputs, then $runs from seed ${FUZZ_SEED:-1}"
    status=0
    "$program" "${options[@]}" -artifact_prefix="$findings/" -runs=0 "$corpus" >"$findings/replay.log" 2>&1 ||
        status=$?
    if [ "$status" -eq 0 ]; then
        # New inputs go into a scratch copy, never into the committed corpus.
        "$program" "${options[@]}" -artifact_prefix="$findings/" -seed="${FUZZ_SEED:-1}" -runs="$runs" \
            "$work" "$corpus" >"$findings/fuzz.log" 2>&1 || status=$?
        log=$findings/fuzz.log
    else
        log=$findings/replay.log
    fi
    if [ "$status" -ne 0 ]; then
        failed+=("$name")
        echo "!! $name failed (exit $status); its log, $log, ends:"
        tail -n 40 "$log"
        for input in "$findings"/crash-* "$findings"/leak-* "$findings"/timeout-* "$findings"/oom-* \
            "$findings"/slow-unit-*; do
            [ -e "$input" ] || continue
            echo "-- the input, $input, in base64:"
            base64 -w 100 "$input" | head -n 40
        done
    else
        grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" | tr '\n' ' '
        echo
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "Fuzzing failed: ${failed[*]}" >&2
    exit 1
fi
echo "Fuzzing found nothing in ${#targets[@]} targets."
