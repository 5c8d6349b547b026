#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The scanner layer's tests under ThreadSanitizer, in a build of their own
# (build-tsan: ThreadSanitizer cannot share a build with AddressSanitizer).
# Only the scanner libraries, the SANE manager, the SANE double and their
# tests are built; the stress cases run 20 times each here
# (VESTISCOP_STRESS_RUNS to change).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-tsan
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESTISCOP_SANITIZE_THREAD=ON -DVESTISCOP_TESTS=ON \
    -DVESTISCOP_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target scanner_tests scanner_sane_tests scanner_stress_tests sane_vsdouble \
    vestiscop_twain_sane
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
export VESTISCOP_STRESS_RUNS=${VESTISCOP_STRESS_RUNS:-20}
# Only these programs are built here, so they are run directly (ctest would
# also list the tree's other tests); extra arguments go to each program.
status=0
for program in scanner_tests scanner_sane_tests scanner_stress_tests; do
    echo "== $program (ThreadSanitizer)"
    (cd "$build/tests/scanner" && "./$program" --gtest_brief=1 "$@") || status=1
done
exit $status
