#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs every target for a
# bounded time from its seed corpus; any crash, leak, undefined behaviour,
# time-out or excess memory fails the run.
#
#   scripts/fuzz.sh            20 s per target (what ./test.sh runs)
#   scripts/fuzz.sh 3600       one hour per target
#   scripts/fuzz.sh 3600 -R fuzz_png    one target; further arguments go to ctest
#
# A finding is written to build-fuzz/fuzz/artifacts/<target>-crash-...; rerun
# it with build-fuzz/fuzz/<target> <file>. New inputs the runs discover
# collect in build-fuzz/fuzz/work/<target>/ and are reused by later runs.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
[ $# -gt 0 ] && shift
build=${VESTISCOP_FUZZ_BUILD:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVESTISCOP_FUZZ=ON -DVESTISCOP_TESTS=OFF -DVESTISCOP_SANITIZE=OFF -DVESTISCOP_WERROR=ON \
  -DVESTISCOP_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_all
ctest --test-dir "$build/fuzz" --output-on-failure -j "$(nproc)" "$@"
