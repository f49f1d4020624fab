#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes docs/menu.png: the main menu window as the real program draws it, on a display of
# its own (Xvfb, no window manager, so the picture is the window's inside), with entry 0
# selected as at start.
#   scripts/screenshot_menu.sh [BUILD_DIR] [OUT]   (defaults: build, docs/menu.png)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
out=${2:-docs/menu.png}
work=$(mktemp -d)
prog_pid=""
source tests/scripts/lib/xvfb.sh
cleanup() {
    [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null || true
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT
xvfb_start
(cd "$build/data" && SDL_AUDIODRIVER=dummy exec timeout 60 "$build/bin/vlnedla") \
    >"$work/prog.log" 2>&1 &
prog_pid=$!
win=$(xvfb_find_window '^Hlavn.* menu$')
[ -n "$win" ] || { echo "screenshot_menu: no menu window"; cat "$work/prog.log"; exit 1; }
sleep 1 # the first paint
# -strip: no time stamps in the file, so the same window gives the same bytes.
import -window "$win" -strip "$out"
echo "screenshot_menu: $out ($(identify -format '%wx%h' "$out"))"
