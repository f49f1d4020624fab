#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes docs/match.png: a running match as the program draws it — both craft moved and
# firing, the first obstacle row, the background and both players' counters — from the
# simulator's `shot` of the match window.
#   scripts/screenshot_match.sh [BUILD_DIR] [OUT]   (defaults: build, docs/match.png)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
out=${2:-docs/match.png}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# "Start hry" once the greeting has been spoken.
greet=$("$build/bin/vlnedla-assets" bank list "$build/data/snd/menu.dat" --json |
    sed -n 's/.*"name": "mainmenusp".*"durationMs": \([0-9]*\).*/\1/p')
cat >"$work/script.txt" <<SCRIPT
wait $((greet + 200))
press ENTER
wait 200
down C
down DOWN
wait 600
up C
up DOWN
wait 9000
down SPACE
wait 150
up SPACE
down SHIFT
wait 100
up SHIFT
wait 60
shot $work/match.ppm
SCRIPT
"$build/bin/vlnedla-sim" --data "$build/data" "$work/script.txt" >/dev/null
convert "$work/match.ppm" -strip "$out"
echo "screenshot_match: $out ($(identify -format '%wx%h' "$out"))"
