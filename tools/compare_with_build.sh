#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that this tree's vestiscop-cli tells the same as another build's
# (usually main's): "analyze --json" of the benchmark corpus, and the
# catalogue's bytes after add, correct, analyze and delete, under two
# configurations: the shipped one without its optional keys (the standard
# analysis, no signatures, the scanner taken as configured) and the shipped
# one. Prints one line per comparison, "same" or "DIFFERENT" with the first
# differing lines, and exits 1 when anything differs that the second
# configuration is not expected to change (see EXPECTED_TO_DIFFER).
#
#   tools/compare_with_build.sh OTHER_BUILD [THIS_BUILD]
#
# Both builds must hold app/vestiscop-cli; THIS_BUILD (default build-test)
# must also hold tools/bench/make_bench_corpus. Scratch files go to
# THIS_BUILD/compare.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
other=$(realpath "${1:?usage: tools/compare_with_build.sh OTHER_BUILD [THIS_BUILD]}")
this=$(realpath "${2:-build-test}")
work="$this/compare"
rm -rf "$work"
mkdir -p "$work"

# Files the shipped configuration may write differently; empty: none.
EXPECTED_TO_DIFFER=${EXPECTED_TO_DIFFER:-}

"$this/tools/bench/make_bench_corpus" "$work/corpus" --split check --per-family 2 --dpi 200 --large 0 >/dev/null
mapfile -t images < <(find "$work/corpus" -name '*.png' | sort)
# The optional keys: the improved analysis, signatures, adapting to the scanner,
# the second word at a border.
grep -v -e '^Analysis *=' -e '^PatternModel *=' -e '^DyedYarn *=' -e '^BorderTerms *=' -e '^Signatures *=' -e '^AdaptToScanner *=' data/vestiscop.cfg > "$work/standard.cfg"
cp data/vestiscop.cfg "$work/shipped.cfg"

# Runs the command sequence in a fresh data directory with one build's program.
run() {
  local build=$1 config=$2 dir=$3
  local cli="$build/app/vestiscop-cli"
  rm -rf "$dir" && mkdir -p "$dir"
  cp "$work/$config.cfg" "$dir/vestiscop.cfg"
  cp data/barvy.txt data/barvy-zakladni.txt "$dir/"
  {
    "$cli" -C "$dir" analyze --json "${images[@]}" || true
    "$cli" -C "$dir" add --json prvni "${images[0]}" || true
    "$cli" -C "$dir" add --json druhy "${images[5]}" || true
    "$cli" -C "$dir" add --json treti "${images[9]}" || true
    "$cli" -C "$dir" correct --json prvni "${images[1]}" || true
    "$cli" -C "$dir" analyze --json "${images[@]}" || true
    "$cli" -C "$dir" delete --json druhy || true
    "$cli" -C "$dir" list --json || true
    "$cli" -C "$dir" analyze "${images[@]:0:3}" || true
  } > "$dir/stdout.txt" 2> "$dir/stderr.txt"
}

status=0
compare() {
  local label=$1 a=$2 b=$3 allowed=$4
  if cmp -s "$a" "$b"; then
    echo "same       $label"
  elif [ "$allowed" = yes ]; then
    echo "changed    $label (expected)"
  else
    echo "DIFFERENT  $label"
    diff <(tr ',' '\n' < "$a") <(tr ',' '\n' < "$b") | head -20 || true
    status=1
  fi
}

for config in standard shipped; do
  run "$other" "$config" "$work/$config-other"
  run "$this" "$config" "$work/$config-this"
  for file in stdout.txt stderr.txt odevy.dat odevy.sig; do
    [ -e "$work/$config-other/$file" ] || [ -e "$work/$config-this/$file" ] || continue
    allowed=no
    if [ "$config" = shipped ] && [[ " $EXPECTED_TO_DIFFER " == *" $file "* ]]; then
      allowed=yes
    fi
    compare "$config: $file" "$work/$config-other/$file" "$work/$config-this/$file" "$allowed"
  done
done
echo "${#images[@]} images; scratch files in $work"
exit $status
