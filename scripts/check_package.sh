#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian packages from the committed sources as a distribution would
# (dpkg-buildpackage -b from debian/) and checks them as far as can be done without a
# desktop: lintian (no error or warning, and none of the hardening-no-* and big-data infos),
# the menu entry (desktop-file-validate), the AppStream metainfo (appstreamcli), and a run of
# the installed game: both packages are unpacked into a scratch root (dpkg -x), its
# `vlnedla` command starts under Xvfb with SDL's disk audio driver, speaks its menu into a
# file, and End and Enter on "Konec hry" end it with exit code 0.
#   scripts/check_package.sh [OUT_DIR]   the .deb files are left in OUT_DIR (default
#                                        build/packages); the tools: setup.sh --package
# The package's own tests (dh_auto_test) are skipped unless VL_PACKAGE_TESTS=1: CI has run
# them already.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
out=${1:-build/packages}
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d)
prog_pid=""
source "$source_dir/tests/scripts/lib/xvfb.sh"
cleanup() {
    [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null || true
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

echo "--- dpkg-buildpackage"
tree=$work/src/vlnedla
mkdir -p "$tree"
git archive --format=tar HEAD | tar -x -C "$tree"
options="parallel=$(nproc)"
[ "${VL_PACKAGE_TESTS:-0}" = 1 ] || options="nocheck $options"
(cd "$tree" && DEB_BUILD_OPTIONS="$options" dpkg-buildpackage -b -us -uc) >"$work/build.log" 2>&1 ||
    { tail -n 60 "$work/build.log"; echo "check_package: dpkg-buildpackage failed"; exit 1; }
rm -f "$out"/*.deb "$out"/*.changes "$out"/*.buildinfo
mv "$work"/src/*.deb "$work"/src/*.changes "$work"/src/*.buildinfo "$out"/
ls "$out"
for deb in "$out"/vlnedla_*.deb "$out"/vlnedla-data_*.deb; do
    echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
done

root=$work/root
for deb in "$out"/vlnedla_*.deb "$out"/vlnedla-data_*.deb; do dpkg -x "$deb" "$root"; done

echo "--- desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/vlnedla.desktop"
echo "--- appstreamcli validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
echo "--- lintian"
# No error or warning; the infos are shown, and the ones of a badly built or badly split
# package (hardening flags missing, big data in the architecture-dependent package) fail.
lintian --fail-on error,warning --info --tag-display-limit 0 "$out"/*.changes \
    >"$work/lintian.txt" 2> >(grep -v 'running with root privileges' >&2) ||
    { cat "$work/lintian.txt"; echo "check_package: lintian found errors or warnings"; exit 1; }
cat "$work/lintian.txt"
if grep -E 'hardening-no-|arch-dep-package-has-big-usr-share' "$work/lintian.txt"; then
    echo "check_package: lintian says the package is built without hardening or split badly"
    exit 1
fi

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
for key in End Return; do
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
echo "check_package: lintian clean; the installed game spoke (peak $peak) and ended with 0"
