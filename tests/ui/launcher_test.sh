#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop launcher: it starts the program with the arguments it got and
# hands on where the shipped data is; the data directory itself is chosen and
# seeded by the program (tests/app/DataDirectoryTest.cpp and CliTest.cpp).
set -u
launcher=$1
shipped=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {
    if eval "$2"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi
}

printf '#!/bin/sh\nprintf "%%s|" "$@" >"%s/args"\nprintf "%%s" "${VESTISCOP_SHIPPED_DATA:-}" >"%s/shipped"\n' \
    "$work" "$work" >"$work/program"
chmod +x "$work/program"

VESTISCOP_PROGRAM="$work/program" VESTISCOP_SHIPPED_DATA="$shipped" sh "$launcher" "/tmp/a b.png"
check "the file is handed on whole" '[ "$(cat "$work/args")" = "/tmp/a b.png|" ]'
check "the shipped data is handed on" '[ "$(cat "$work/shipped")" = "$shipped" ]'

VESTISCOP_PROGRAM="$work/program" sh "$launcher" -C "$work" x.bmp
check "options are handed on" '[ "$(cat "$work/args")" = "-C|$work|x.bmp|" ]'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
