#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs vestiscop-cli scan again and again against SANE's virtual "test"
# device set to answer every read with a failure status (60 dpi, a 51 mm
# square), and checks that every run says "Selhání skeneru (...)" at once.
# Prints one line per run (milliseconds, exit status) and a summary; the
# exit status is 1 when any run failed to report in time.
#
#   scripts/scan-failure-repeat.sh [RUNS] [STATUS] [PROGRAM]
#     RUNS     100 unless given
#     STATUS   SANE_STATUS_INVAL unless given (any read-status-code value)
#     PROGRAM  build-test/app/vestiscop-cli unless given
#   VESTISCOP_REPEAT_LOAD=N   N busy-loop processes run meanwhile (0)
#   VESTISCOP_REPEAT_LIMIT=S  a run longer than S seconds counts as late (5)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-100}
status=${2:-SANE_STATUS_INVAL}
program=$(realpath "${3:-build-test/app/vestiscop-cli}")
load=${VESTISCOP_REPEAT_LOAD:-0}
limit=${VESTISCOP_REPEAT_LIMIT:-5}
expected="Selhání skeneru"

dir=$(mktemp -d "${TMPDIR:-/tmp}/vestiscop-repeat-XXXXXX")
busy=()
cleanup() {
    for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$dir"
}
trap cleanup EXIT

# The shipped configuration, scanning a 51 mm square at 60 dpi.
sed -e 's/^XRes =.*/XRes = 60/' -e 's/^YRes =.*/YRes = 60/' \
    -e 's/^WndLeft =.*/WndLeft = 0/' -e 's/^WndTop =.*/WndTop = 0/' \
    -e 's/^WndWidth =.*/WndWidth = 2.00787/' -e 's/^WndHeight =.*/WndHeight = 2.00787/' \
    -e 's/^SaveImage =.*/SaveImage = 0/' -e 's/^AskForDescr =.*/AskForDescr = 0/' \
    -e 's/^LogFile =.*/LogFile = vestiscop.log/' -e 's/^Definitions =.*/Definitions = barvy.txt/' \
    -e 's/^Materials =.*/Materials = odevy.dat/' data/vestiscop.cfg > "$dir/vestiscop.cfg"
cp data/barvy.txt "$dir/"
mkdir "$dir/sane"
echo test > "$dir/sane/dll.conf"
cat > "$dir/sane/test.conf" <<EOF
number_of_devices 1
mode Color
depth 8
resolution 60.0
geometry_min 0.0
geometry_max 200.0
tl_x 0.0
tl_y 0.0
br_x 80.0
br_y 100.0
read-status-code "$status"
EOF

for ((i = 0; i < load; ++i)); do
    sh -c 'while :; do :; done' &
    busy+=($!)
done

late=0
times=()
for ((run = 1; run <= runs; ++run)); do
    began=$(date +%s%N)
    set +e
    err=$(cd "$dir" && SANE_CONFIG_DIR="$dir/sane" ASAN_OPTIONS=detect_leaks=0 VESTISCOP_TWAIN_MANAGER= \
          timeout --kill-after=5 300 "$program" scan 2>&1 >/dev/null)
    code=$?
    set -e
    ms=$(( ($(date +%s%N) - began) / 1000000 ))
    times+=("$ms")
    verdict=ok
    if [[ $code -ne 1 || $err != *"$expected"* || $ms -gt $((limit * 1000)) ]]; then
        verdict=LATE
        late=$((late + 1))
    fi
    printf '%3d %6d ms  exit %d  %s  %s\n' "$run" "$ms" "$code" "$verdict" "${err%%$'\n'*}"
done

sorted=$(printf '%s\n' "${times[@]}" | sort -n)
median=$(sed -n "$(( (runs + 1) / 2 ))p" <<<"$sorted")
slowest=$(tail -1 <<<"$sorted")
echo "status $status, $runs runs, load $load: $((runs - late)) at once, $late late or wrong;" \
     "median $median ms, slowest $slowest ms"
[[ $late -eq 0 ]]
