#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a finished build and checks it as far as can be done without
# a desktop: the menu entry (desktop-file-validate), the AppStream metainfo (appstreamcli),
# the package itself (lintian: no errors), and a run of the installed game: the package is
# unpacked into a scratch root (dpkg -x), its `vlnedla` command starts under Xvfb with SDL's
# disk audio driver, speaks its menu into a file, and Down x3 and Enter on "Konec hry" end it
# with exit code 0.
#   scripts/check_package.sh [BUILD_DIR]     (default build; the tools: setup.sh --package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
source_dir=$(pwd)

work=$(mktemp -d)
prog_pid=""
source "$source_dir/tests/scripts/lib/xvfb.sh"
cleanup() {
    [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null || true
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

echo "--- package"
rm -f "$build"/vlnedla_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$build"/vlnedla_*_amd64.deb)
echo "$(basename "$deb")"
dpkg-deb -f "$deb" Depends

root=$work/root
dpkg -x "$deb" "$root"

echo "--- desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/vlnedla.desktop"
echo "--- appstreamcli validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
echo "--- lintian"
# Exits non-zero on an error tag; warnings are shown but allowed.
lintian --tag-display-limit 0 "$deb" 2> >(grep -v 'running with root privileges' >&2)

echo "--- the installed game under Xvfb"
xvfb_start
audio=$work/audio.f32
# Only the system's own libraries: what the package installed, nothing from the build.
(cd / && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" exec timeout 60 "$root/usr/games/vlnedla") \
    >"$work/prog.log" 2>&1 &
prog_pid=$!
win=$(xvfb_find_window '^Hlavn.* menu$')
if [ -z "$win" ]; then
    echo "check_package: the installed game showed no menu; it said:"; cat "$work/prog.log"; exit 1
fi
xdotool windowfocus --sync "$win"
sleep 0.5
for key in Down Down Down Return; do
    xdotool key "$key"
    sleep 0.3
done
rc=0
wait "$prog_pid" || rc=$?
prog_pid=""
if [ "$rc" -ne 0 ]; then
    echo "check_package: the installed game ended with $rc, not 0; it said:"; cat "$work/prog.log"
    exit 1
fi
# The disk driver writes what the mixer plays: 32-bit float stereo, the rate does not matter
# for the level. The menu's speech peaks far above this threshold; a silent file is all zero.
peak=$(sox -t raw -e floating-point -b 32 -c 2 -r 44100 "$audio" -n stat 2>&1 |
    awk '/^Maximum amplitude/ {print $3}')
if ! awk -v p="${peak:-0}" 'BEGIN { exit !(p > 0.05) }'; then
    echo "check_package: the installed game was silent (peak ${peak:-none} in $(stat -c %s "$audio" 2>/dev/null || echo 0) bytes)"
    exit 1
fi
echo "check_package: lintian clean of errors; the installed game spoke (peak $peak) and ended with 0"
