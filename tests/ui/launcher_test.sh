#!/bin/sh
# The desktop launcher: the first start seeds the user's data directory with
# the shipped configuration, the colour definitions it names and an empty
# catalogue; later starts never overwrite what is there; the program runs in
# that directory.
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

printf '#!/bin/sh\npwd >"%s/ran-in"\n' "$work" >"$work/program"
chmod +x "$work/program"
run() {
    XDG_DATA_HOME="$work/xdg" VESTISCOP_PROGRAM="$work/program" VESTISCOP_SHIPPED_DATA="$1" sh "$launcher"
}

run "$shipped"
data="$work/xdg/vestiscop"
check "configuration copied" 'cmp -s "$shipped/vestiscop.cfg" "$data/vestiscop.cfg"'
check "colour definitions copied" 'cmp -s "$shipped/barvy.txt" "$data/barvy.txt"'
check "basic colour table copied for switching" 'cmp -s "$shipped/barvy-zakladni.txt" "$data/barvy-zakladni.txt"'
check "empty catalogue created" '[ -f "$data/odevy.dat" ] && [ ! -s "$data/odevy.dat" ]'
check "program started in the data directory" '[ "$(cat "$work/ran-in")" = "$data" ]'

echo "my colours" >"$data/barvy.txt"
printf 'x' >"$data/odevy.dat"
run "$shipped"
check "user's colour definitions kept" '[ "$(cat "$data/barvy.txt")" = "my colours" ]'
check "user's catalogue kept" '[ "$(cat "$data/odevy.dat")" = "x" ]'

# A configuration naming other files, with quotes, comments and odd case.
mkdir -p "$work/ship2"
cp "$shipped/barvy.txt" "$work/ship2/moje-barvy.txt"
sed -e 's/^Definitions.*/definitions = "moje-barvy.txt" ; comment/' \
    -e 's/^Materials.*/MATERIALS=katalog\/odevy.dat/' "$shipped/vestiscop.cfg" >"$work/ship2/vestiscop.cfg"
XDG_DATA_HOME="$work/xdg2" VESTISCOP_PROGRAM="$work/program" VESTISCOP_SHIPPED_DATA="$work/ship2" sh "$launcher"
check "named definitions copied" '[ -f "$work/xdg2/vestiscop/moje-barvy.txt" ]'
check "catalogue made in its folder" '[ -f "$work/xdg2/vestiscop/katalog/odevy.dat" ]'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
