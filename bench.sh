#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures the shipped configuration: colour naming, pattern classification,
# recognition, and the speed and memory of vestiscop-cli against ImageMagick's
# quantisation. Installs what is missing, builds the Release programs in
# build-bench, generates the corpus and prints one table (also written to
# build-bench/bench-table.txt). Not part of ./test.sh; takes several minutes.
#
#   ./bench.sh            everything, reported on the checking part
#   BENCH_SPLIT=tune ./bench.sh    the same on the tuning part
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
bash scripts/setup.sh
bash scripts/setup.sh scripts/bench-packages.txt
if ! command -v npm >/dev/null; then
  bash -c 'sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo); "${sudo[@]}" apt-get install -y --no-install-recommends npm'
fi

build=build-bench
split=${BENCH_SPLIT:-check}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESTISCOP_TESTS=OFF >/dev/null
nice cmake --build "$build" --target vestiscop-cli vestiscop_bench make_bench_corpus make_color_table -j "$(nproc)"

work="$root/$build/bench"
mkdir -p "$work"

# The colour survey list, pinned, into a scratch folder (not part of the tree).
survey="$work/survey.tsv"
if [ ! -s "$survey" ]; then
  mkdir -p "$work/npm"
  (cd "$work/npm" && npm install --no-audit --no-fund --ignore-scripts --silent color-name-lists@3.33.2)
  node -e 'for (const c of require(process.argv[1]).lists.xkcd) console.log(c.name + "\t" + c.hex)' \
    "$work/npm/node_modules/color-name-lists" > "$survey"
fi

# Image files: two fabrics of every family to look at, and a 2048 x 2048
# scan as BMP and PNG for the speed comparison.
nice "$build/tools/bench/make_bench_corpus" "$work/corpus" --split "$split" --per-family 2 --large 2048 >/dev/null

bench="$build/tools/bench/vestiscop_bench"
maps=(tools/bench/survey-basic-terms.tsv tools/colors/vocabulary.tsv)
log="$work/bench-log.txt"
: > "$log"
run() { nice "$bench" --split "$split" "$@" | tee -a "$log"; }
echo "== Colour naming"
run naming "$survey" "${maps[@]}" barvy.txt
run naming "$survey" "${maps[@]}" barvy-zakladni.txt
echo "== White, cream and light grey fabrics"
run --per-family 40 whites barvy.txt
run --per-family 40 whites barvy-zakladni.txt
echo "== Pattern"
run --per-family 24 pattern
echo "== Sweep (one setting at a time)"
run --per-family 24 sweep
echo "== Recognition"
run recognition
echo "== Re-scans shifted and turned, classic and signature matching"
run rescans
echo "== Standard and improved analysis, wardrobe fabrics included"
run --per-family 24 fabric

# Speed and peak memory, same files, same machine, one after the other.
echo "== Speed"
speed="$work/speed"
rm -rf "$speed" && mkdir -p "$speed"
sed -e 's/^Width = .*/Width = 2048/' -e 's/^Height = .*/Height = 2048/' data/vestiscop.cfg > "$speed/vestiscop.cfg"
cp data/barvy.txt data/barvy-zakladni.txt "$speed/"
cli="$root/$build/app/vestiscop-cli"
# Each command runs 9 times, the four commands taking turns, so that a
# busy spell of a shared machine falls on all of them alike. Reported: the
# median wall seconds, the median processor seconds (user + system, all
# threads) and the largest peak resident kB. The processor time is the
# steadier figure on a machine that others share.
labels=(cli-bmp magick-bmp cli-png magick-png)
commands=(
  "$cli analyze $work/corpus/large-2048.bmp"
  "convert $work/corpus/large-2048.bmp +dither -colors 3 -format %c histogram:info:-"
  "$cli analyze $work/corpus/large-2048.png"
  "convert $work/corpus/large-2048.png +dither -colors 3 -format %c histogram:info:-"
)
for run in 1 2 3 4 5 6 7 8 9; do
  for i in 0 1 2 3; do
    # shellcheck disable=SC2086 # the commands are word lists
    (cd "$speed" && /usr/bin/time -f '%e %M %U %S' -o "$speed/time-${labels[i]}-$run.txt" ${commands[i]} > "$speed/out.txt" 2>&1)
  done
done
results=()
for label in "${labels[@]}"; do
  times=$(cat "$speed/time-$label"-*.txt)
  wall=$(awk '{ print $1 }' <<< "$times" | sort -g | sed -n 5p)
  cpu=$(awk '{ print $3 + $4 }' <<< "$times" | sort -g | sed -n 5p)
  rss=$(awk '{ print $2 }' <<< "$times" | sort -g | tail -1)
  results+=("$label $wall $rss $cpu")
done
printf '%s\n' "${results[@]}" | tee -a "$log"

# One table.
table="$root/$build/bench-table.txt"
{
  echo "Vestiscop benchmark, $split part, $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo)"
  awk -v results="$(printf '%s;' "${results[@]}")" '
    /^RESULT naming/ { naming[++n] = $4; pair[n] = $6 }
    /^RESULT whites/ { whites[++w] = $11 }
    /^RESULT pattern/ { plain = $5; stripes = $7; check = $9; dots = $11; motif = $13; allstripes = $15 }
    /^RESULT sweep/ { within = $5; shortfall = sprintf("%s / %s / %s / %s / %s", $7, $8, $9, $10, $11) }
    /^RESULT recognition/ { right = $5; wrong = $7; rejected = $9; unrelated = $11 }
    /^RESULT rescans/ { rs[$4] = sprintf("%s / %s / %s / %s", $6, $8, $10, $18); rsc[$4] = sprintf("%s -> %s, %s worse", $12, $14, $16); rsa[$4] = sprintf("%s / %s / %s", $22, $24, $26) }
    /^RESULT fabric/ { fab[$4] = sprintf("%s / %s / %s / %s / %s", $6, $8, $10, $12, $14); fabcol[$4] = $16; fabstrict[$4] = $18 }
    END {
      fmt = "| %-62s | %18s | %-6s |\n"
      printf fmt, "measure", "result", "target"
      printf fmt, "basic-term naming, detailed table (barvy.txt)", naming[1] "%", ">= 96%"
      printf fmt, "basic-term naming, basic table (barvy-zakladni.txt)", naming[2] "%", ">= 96%"
      printf fmt, "names between two terms named one of them, detailed table", pair[1] "%", ">= 97%"
      printf fmt, "names between two terms named one of them, basic table", pair[2] "%", ">= 97%"
      printf fmt, "white/cream/light grey fabrics named so, detailed table", whites[1] "%", ">= 95%"
      printf fmt, "white/cream/light grey fabrics named so, basic table", whites[2] "%", ">= 95%"
      printf fmt, "plain read as Bez vzoru", plain "%", ">= 95%"
      printf fmt, "stripes 3 mm and wider read as Proužek", stripes "%", ">= 85%"
      printf fmt, "stripes of all widths read as Proužek", allstripes "%", ""
      printf fmt, "checks read as Kostka", check "%", ""
      printf fmt, "dots read as Puntík", dots "%", ""
      printf fmt, "motifs read as Neznámý motiv", motif "%", ""
      printf fmt, "every class within 3 points of the sweep best", within, "yes"
      printf fmt, "  points below the best: plain/stripes/check/dots/motif", shortfall, ""
      printf fmt, "re-scans matched right", right "%", ">= 95%"
      printf fmt, "re-scans matched wrong", wrong "%", "<= 2%"
      printf fmt, "re-scans rejected", rejected "%", ""
      printf fmt, "unrelated garments matched", unrelated "%", ""
      printf fmt, "re-scans 20 mm / 3 deg, classic: right/wrong/rejected/unknown %", rs["classic"], ""
      printf fmt, "re-scans 20 mm / 3 deg, signatures: right/wrong/rejected/unknown %", rs["signature"], ">=97 / <=0.5 / / 0"
      printf fmt, "  all re-scans (first and later, no corrections), classic: right/wrong/rejected %", rsa["classic"], ""
      printf fmt, "  all re-scans (first and later, no corrections), signatures: right/wrong/rejected %", rsa["signature"], ">=97 / <=0.5 /"
      printf fmt, "  later re-scans right, before -> after corrections, classic", rsc["classic"], ""
      printf fmt, "  later re-scans right, before -> after corrections, signatures", rsc["signature"], "no fewer"
      printf fmt, "all fabrics, standard: plain/stripes/check/dots/motif %", fab["standard"], ""
      printf fmt, "all fabrics, improved: plain/stripes/check/dots/motif %", fab["improved"], "each >= 95"
      printf fmt, "two-colour fabrics, both colours named: standard", fabcol["standard"] "%", ""
      printf fmt, "two-colour fabrics, both colours named: improved", fabcol["improved"] "%", ">= 95%"
      printf fmt, "  the same, border colours held to their own term: improved", fabstrict["improved"] "%", ""
      split(results, r, ";")
      for (i in r) if (r[i] != "") { split(r[i], f, " "); wall[f[1]] = f[2]; mem[f[1]] = f[3]; cpu[f[1]] = f[4] }
      for (k = 1; k <= 2; k++) {
        e = k == 1 ? "bmp" : "png"
        printf fmt, "2048x2048 " e ": vestiscop-cli analyze, wall s / cpu s / peak MiB", wall["cli-" e] " / " cpu["cli-" e] " / " int(mem["cli-" e] / 1024), ""
        printf fmt, "2048x2048 " e ": convert -colors 3, wall s / cpu s / peak MiB", wall["magick-" e] " / " cpu["magick-" e] " / " int(mem["magick-" e] / 1024), ""
        printf fmt, "2048x2048 " e ": ImageMagick / vestiscop-cli, wall time", sprintf("%.1fx", wall["magick-" e] / wall["cli-" e]), e == "bmp" ? ">= 5x" : ""
        printf fmt, "2048x2048 " e ": ImageMagick / vestiscop-cli, processor time", sprintf("%.1fx", cpu["magick-" e] / cpu["cli-" e]), ""
      }
    }' "$log"
} | tee "$table"
