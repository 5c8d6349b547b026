#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The files that present Vestiscop to the desktop and to software centres
# are valid as their tools read them: the desktop entry, the AppStream
# metainfo (pedantic, without the network) and both manual pages (no groff
# or man warning). Also checks that the desktop entry opens BMP and PNG
# files, and that the metainfo names the desktop entry and both programs.
set -u
desktop=$1
metainfo=$2
mandir=$3
failed=0
fail() {
    echo "FAILED: $1"
    failed=$((failed + 1))
}

out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate says: $out"
grep -qx 'MimeType=image/bmp;image/png;' "$desktop" || fail "the desktop entry does not open BMP and PNG files"
grep -q '^Exec=.* %f$' "$desktop" || fail "the desktop entry does not pass the file on (%f)"

out=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
for expected in '<launchable type="desktop-id">vestiscop.desktop</launchable>' '<binary>vestiscop</binary>' \
    '<binary>vestiscop-cli</binary>' '<content_rating type="oars-1.1"'; do
    grep -qF "$expected" "$metainfo" || fail "the metainfo lacks $expected"
done

for page in "$mandir"/vestiscop.1 "$mandir"/vestiscop-cli.1; do
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) || fail "man $page: $out"
    [ -z "$out" ] || fail "man $page warns: $out"
done

echo "$failed failed"
[ "$failed" -eq 0 ]
