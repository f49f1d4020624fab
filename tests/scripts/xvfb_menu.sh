#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# xvfb_menu: the real program (SDL windows, real clock) under Xvfb, driven by real key
# events from xdotool: the menu window appears with its caption, and End and Enter on
# "Konec hry" end the program with exit code 0.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
prog_pid=""
at_exit '[ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null'

# The menu bank: the generated one when it exists, else a bank of tones.
if [ -n "$DATA" ] && [ -f "$DATA/snd/menu.dat" ]; then
  run_dir=$DATA
else
  run_dir=$work/data
  mkdir -p "$run_dir/snd" "$work/src"
  for n in mainmenusp startgameitemsp computergameitemsp netgameitemsp testspeakersitemsp \
           soundsguideitemsp replaysitemsp settingsitemsp endgameitemsp testspeakers endofgamesp; do
    sox -n -r 22050 -b 16 -c 1 "$work/src/$n.wav" synth 0.3 sine 440 vol 0.3
    echo "$n $n.wav" >>"$work/src/manifest.txt"
  done
  "$BIN/vlnedla-assets" bank build "$work/src/manifest.txt" "$run_dir/snd/menu.dat" >/dev/null
fi

use_xvfb

# What was there to see when the check fails: the servers' and the program's own words.
diagnose() {
  echo "--- DISPLAY=$DISPLAY, user $(id -un), /tmp/.X11-unix:"; ls -la /tmp/.X11-unix 2>&1 || true
  echo "--- Xvfb said:"; cat "$work/xvfb.log" 2>/dev/null || true
  echo "--- the program said:"; cat "$work/prog.log" 2>/dev/null || true
  echo "--- windows on the display:"
  xdotool search --name '.' getwindowname %@ 2>&1 | head -20 || true
}

(cd "$run_dir" && SDL_AUDIODRIVER=dummy exec timeout 60 "$BIN/vlnedla") >"$work/prog.log" 2>&1 &
prog_pid=$!

# The caption is matched without its accented letter: how xdotool compares a non-ASCII
# pattern depends on the locale the check happens to run in.
win=""
for _ in $(seq 1 300); do
  win=$(xdotool search --onlyvisible --name '^Hlavn.* menu$' 2>/dev/null | head -1 || true)
  [ -n "$win" ] && break
  kill -0 "$prog_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$win" ]; then
  echo "xvfb_menu: no window with the caption \"Hlavní menu\""
  kill -0 "$prog_pid" 2>/dev/null || { rc=0; wait "$prog_pid" || rc=$?; echo "(the program ended with $rc)"; }
  prog_pid=""
  diagnose
  exit 1
fi

xdotool windowfocus --sync "$win"
sleep 0.3
for key in End Return; do
  xdotool key "$key"
  sleep 0.3
done

rc=0
wait "$prog_pid" || rc=$?
prog_pid=""
if [ "$rc" -ne 0 ]; then
  echo "xvfb_menu: the program ended with exit code $rc, not 0"
  diagnose
  exit 1
fi
echo "xvfb_menu: window found, End and Enter ended the program with 0"
