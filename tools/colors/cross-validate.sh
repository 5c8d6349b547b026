#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-validation of the colour table fitting inside the survey's tuning
# part: for each of N folds, fits the table without that fold's colours and
# names that fold's colours as the naming benchmark does (noisy patches
# through the analysis), then sums the folds. The held-out part is never
# read. Prints one line: one basic term right / total, two terms.
#
#   tools/colors/cross-validate.sh BUILD SURVEY.tsv [full|basic|border] [N]
#
# "border" fits both tables on each fold and names with the detailed one and
# a second word at a border between basic terms (vestiscop_bench naming
# --border), summing also the counts at each margin tried.
#
# BUILD is a build folder with make_color_table and vestiscop_bench;
# SURVEY.tsv the survey list as bench.sh fetches it.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$1 survey=$2 kind=${3:-full} folds=${4:-5}
lists=(tools/colors/vocabulary.tsv tools/colors/survey-cs.tsv tools/colors/scanned-fabrics.tsv
       tools/bench/survey-basic-terms.tsv tools/colors/other-lists.tsv)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
border=()
for ((k = 0; k < folds; k++)); do
  if [[ $kind == border ]]; then
    "$build/tools/make_color_table" --fit full --fold "$k/$folds" "${lists[@]}" "$work/table.txt"
    "$build/tools/make_color_table" --fit basic --fold "$k/$folds" "${lists[@]}" "$work/terms.txt"
    border=(--border "$work/terms.txt")
  else
    "$build/tools/make_color_table" --fit "$kind" --fold "$k/$folds" "${lists[@]}" "$work/table.txt"
  fi
  "$build/tools/bench/vestiscop_bench" --split tune --fold "$k/$folds" naming "$survey" \
    tools/bench/survey-basic-terms.tsv tools/colors/vocabulary.tsv "$work/table.txt" "${border[@]}"
done | awk '
  /basic term right:/ { good += $4; total += $6 }
  /between two terms, one of the two:/ { pgood += $8; ptotal += $10 }
  /^  margin / { m = $2; sub(":", "", m); if (!(m in pr)) order[++n] = m
                 pr[m] += $3; pt[m] += $5; os[m] += $8; ot[m] += $10 }
  END { printf "cross-validation: one basic term %d of %d = %.1f%%, two terms %d of %d = %.1f%%\n",
        good, total, 100 * good / total, pgood, ptotal, 100 * pgood / ptotal
        for (i = 1; i <= n; i++) { m = order[i]
          printf "  second word at margin %s: two terms either word %d of %d = %.1f%%, one term given a second word %d of %d = %.1f%%\n",
            m, pr[m], pt[m], 100 * pr[m] / pt[m], os[m], ot[m], 100 * os[m] / ot[m] } }'
