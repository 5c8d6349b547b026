#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes docs/main-window.png: the main window after analysing a sample
# picture, rendered by the real dialog on Qt's offscreen platform.
#
#   tools/screenshot.sh [BUILD-DIRECTORY] [IMAGE]
#
# BUILD-DIRECTORY defaults to build-release (as left by ./run.sh); the
# vestiscop-screenshot target is built there if missing. IMAGE defaults to the
# first picture in data/samples/, else a striped fabric drawn here with
# ImageMagick. The window starts in a scratch directory seeded like a first
# start: the shipped configuration and colour definitions, an empty catalogue.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
image=${2:-}

if [ ! -d "$build" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESTISCOP_TESTS=OFF
fi
cmake --build "$build" --target vestiscop-screenshot
tool="$build/ui/vestiscop-screenshot"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp data/vestiscop.cfg data/barvy.txt "$work/"
: >"$work/odevy.dat"

if [ -z "$image" ]; then
  image=$(find data/samples -maxdepth 1 \( -iname '*.png' -o -iname '*.bmp' \) 2>/dev/null | sort | head -n 1 || true)
fi
if [ -z "$image" ]; then
  # Navy and white stripes with a little noise, as a scanned shirt looks.
  image="$work/sample.png"
  convert -size 600x600 xc:'rgb(245,245,240)' \
    -fill 'rgb(30,45,110)' -draw "$(for y in $(seq 0 40 560); do printf 'rectangle 0,%d 599,%d ' "$y" $((y + 15)); done)" \
    -attenuate 0.3 +noise Uniform -strip -depth 8 -type TrueColor -define png:color-type=2 "$image"
fi

QT_QPA_PLATFORM=offscreen VESTISCOP_TWAIN_MANAGER=/nonexistent "$tool" "$work" "$image" docs/main-window.png
echo "docs/main-window.png written from $image"
