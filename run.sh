#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds the Release build and starts Vestiscop in
# the user's data directory ($XDG_DATA_HOME/vestiscop), which the launcher
# creates and seeds with the shipped configuration, colour definitions and an
# empty catalogue on the first start. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESTISCOP_TESTS=OFF
cmake --build "$build" -j "$(nproc)"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Vestiscop is built, but there is no display to show its window on (neither DISPLAY nor WAYLAND_DISPLAY is set); build-release/app/vestiscop-cli works in a terminal."
  exit 1
fi
export VESTISCOP_PROGRAM="$PWD/$build/app/vestiscop"
export VESTISCOP_SHIPPED_DATA="$PWD/data"
exec sh ui/desktop/vestiscop-launcher "$@"
