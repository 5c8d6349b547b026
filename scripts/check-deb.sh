#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a clean clone of the committed HEAD (its
# build-time tests run in parallel, DEB_BUILD_OPTIONS=parallel=N with N the
# number of processors unless DEB_BUILD_OPTIONS is set), checks it with
# lintian, then installs it on a bare Debian of the same release
# (debootstrap --variant=minbase) and runs it there as a new user:
# vestiscop-cli --version, an analysis from the user's home directory (which
# seeds ~/.local/share/vestiscop), a picture on standard input, the window's
# libraries and a start on Qt's offscreen platform, and the desktop entry,
# metainfo and manual pages in place.
#
#   scripts/check-deb.sh [--deb FILE] [--release RELEASE] [CHROOT]
#
# RELEASE (bookworm or trixie) is the release of the bare system; it is the
# release this system runs unless given, and a package built here is only
# checked on that release (its dependencies are this release's libraries):
# run the script on each release to check both. --deb checks a package
# already built instead of building one. CHROOT (default
# /var/tmp/vestiscop-RELEASE) is made on the first run and kept, so later
# runs start faster; each run installs the package afresh. Needs root
# (debootstrap, chroot) and Debian's archive over http.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
here=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
deb=
release=$here
while [ $# -gt 0 ]; do
    case "$1" in
        --deb) deb=$(realpath "$2"); shift 2 ;;
        --release) release=$2; shift 2 ;;
        *) break ;;
    esac
done
case "$release" in
    bookworm | trixie) ;;
    *) echo "check-deb.sh: release '$release' is not one Vestiscop supports (bookworm, trixie)" >&2; exit 2 ;;
esac
if [ -z "$deb" ] && [ "$release" != "$here" ]; then
    echo "check-deb.sh: a package built on '$here' is for '$here'; build and check it on $release, or give --deb" >&2
    exit 2
fi
target=${1:-/var/tmp/vestiscop-$release}
mirror=${VESTISCOP_DEBIAN_MIRROR:-http://deb.debian.org/debian}
work=$(mktemp -d)
cleanup() {
    umount "$target/proc" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
step() { printf '\n== %s\n' "$*"; }

if [ -z "$deb" ]; then
    step "dpkg-buildpackage -us -uc -b on a clean clone"
    git clone -q "$root" "$work/vestiscop"
    export DEB_BUILD_OPTIONS=${DEB_BUILD_OPTIONS:-parallel=$(nproc)}
    (cd "$work/vestiscop" && dpkg-buildpackage -us -uc -b)
    deb=$(ls "$work"/vestiscop_*.deb)
fi

step "lintian $(basename "$deb")"
lintian --fail-on error "$deb"

if [ ! -x "$target/usr/bin/apt-get" ]; then
    step "debootstrap --variant=minbase $release $target"
    debootstrap --variant=minbase "$release" "$target" "$mirror"
fi
mount -t proc proc "$target/proc"
in_root() { chroot "$target" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

step "apt install ./$(basename "$deb") on the bare system"
in_root apt-get purge -y -q vestiscop >/dev/null 2>&1 || true
cp "$deb" "$target/tmp/"
in_root apt-get update -q
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$(basename "$deb")"

step "as a new user, from the home directory"
in_root sh -c 'userdel -r vestiscop-check 2>/dev/null; useradd -m vestiscop-check'
# Red and white stripes, 512 x 512 pixels (the shipped analysis region).
python3 - "$target/home/vestiscop-check/pruhy.bmp" <<'PY'
import struct, sys
size, rows = 512, []
for y in range(size):
    pixel = bytes((30, 30, 220)) if (y // 32) % 2 == 0 else bytes((235, 235, 235))
    rows.append(pixel * size)
pixels = b"".join(reversed(rows))
header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
header += struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + pixels)
PY
in_root chown vestiscop-check: /home/vestiscop-check/pruhy.bmp
as_user() { in_root su - vestiscop-check -c "$1"; }
as_user 'vestiscop-cli --version'
as_user 'vestiscop-cli analyze pruhy.bmp'
as_user 'vestiscop-cli analyze --json - <pruhy.bmp'
as_user 'vestiscop-cli add "Pruhované tričko" pruhy.bmp && vestiscop-cli list'
as_user 'vestiscop-cli analyze pruhy.bmp | grep -qx "Pruhované tričko na 100%"'
as_user 'ls ~/.local/share/vestiscop/vestiscop.cfg ~/.local/share/vestiscop/barvy.txt ~/.local/share/vestiscop/odevy.dat >/dev/null'
as_user 'vestiscop-cli analyze --help >/dev/null'

step "the window's libraries, and its refusal without a display"
if in_root ldd /usr/bin/vestiscop | grep 'not found'; then
    echo "the window lacks libraries" >&2
    exit 1
fi
status=0
as_user 'vestiscop' || status=$?
[ "$status" -eq 3 ] || { echo "vestiscop without a display ended with $status, not 3" >&2; exit 1; }
# On Qt's offscreen platform the window starts, opens the picture and keeps
# running until it is stopped (status 124 from timeout).
status=0
as_user 'QT_QPA_PLATFORM=offscreen timeout 15 vestiscop pruhy.bmp' || status=$?
[ "$status" -eq 124 ] || { echo "the window ended by itself with $status" >&2; exit 1; }

step "desktop entry, metainfo, manual pages, icon"
for file in /usr/share/applications/vestiscop.desktop /usr/share/metainfo/cz.quorvex.vestiscop.metainfo.xml \
    /usr/share/man/man1/vestiscop.1.gz /usr/share/man/man1/vestiscop-cli.1.gz \
    /usr/share/icons/hicolor/scalable/apps/vestiscop.svg /usr/share/doc/vestiscop/copyright \
    /usr/bin/vestiscop-launcher; do
    [ -e "$target$file" ] || { echo "missing: $file" >&2; exit 1; }
    echo "present: $file"
done
in_root sh -c 'zcat /usr/share/man/man1/vestiscop-cli.1.gz | grep -q "^\.SH EXIT STATUS"'

step "all checks passed"
