#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# render_replay: how long a 3-minute match takes to render. The computer plays both craft at
# level 3 in the simulator for three minutes and the match is kept; the real program then
# renders it to WAV and to Opus, each timed with /usr/bin/time (wall time, peak memory).
#   bench/render_replay.sh [BUILD_DIR]   (default build; its data in BUILD_DIR/data)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d /tmp/vl-render.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/share LANG=C.UTF-8
unset LANGUAGE LC_ALL LC_MESSAGES
printf 'wait 1800\npress ENTER\nawait Form1\nwait 180000\npress ESCAPE\nwait 500\n' >"$work/match.txt"
"$build/bin/vlnedla-sim" --data "$build/data" --computer left:3 --computer right:3 \
  --record "$work/kept" "$work/match.txt" >"$work/trace.txt"
shown=$(sed -n 's/^{"t":\([0-9]*\),"ev":"show","window":"Form1"}$/\1/p' "$work/trace.txt")
hidden=$(sed -n 's/^{"t":\([0-9]*\),"ev":"hide","window":"Form1"}$/\1/p' "$work/trace.txt")
echo "render_replay: a match of $(((hidden - shown) / 1000)) s, $(stat -c %s "$work/kept/1.vlr") bytes kept"
for kind in wav opus; do
  (cd "$build/data" && /usr/bin/time -f "render_replay: $kind: %e s wall, %U s user, %M KB peak" \
    "$build/bin/vlnedla" --replay "$work/kept/1.vlr" --render "$work/match.$kind")
  echo "render_replay: $kind: $(stat -c %s "$work/match.$kind") bytes"
done
