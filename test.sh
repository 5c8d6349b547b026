#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds the Debug build with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test through ctest (the stress cases,
# label stress, take a few minutes), builds and runs the scanner layer's tests
# once more under ThreadSanitizer (scripts/tsan.sh), then runs every fuzz
# target for a short bounded time (scripts/fuzz.sh; a longer run is
# `scripts/fuzz.sh SECONDS`).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
build=build-test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESTISCOP_SANITIZE=ON -DVESTISCOP_TESTS=ON -DVESTISCOP_WERROR=ON
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
bash scripts/tsan.sh
bash scripts/fuzz.sh "${VESTISCOP_FUZZ_SECONDS:-20}"
