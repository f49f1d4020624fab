#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# xvfb_replay: a kept match played again in the real window under Xvfb, with SDL's disk audio:
# the match window comes at once, the match is heard and the program ends by itself with 0
# when the match is over, no sooner; Space pauses it (the end comes as much later); Esc ends
# it with 0 at once.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
prog_pid=""
at_exit '[ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null'
need_data snd/menu.dat snd/game.dat pics/game.dat

# A match of 4 s: the left craft fires for the first second.
printf 'wait 1800\npress ENTER\nawait Form1\ndown E\ndown SPACE\nwait 1000\nup SPACE\nup E
wait 3000\npress ESCAPE\nwait 500\n' >"$work/match.txt"
"$BIN/vlnedla-sim" --data "$DATA" --record "$work/kept" "$work/match.txt" >/dev/null \
  2>"$work/sim.log" || fail "the simulator failed"
use_xvfb

audio=$work/out.raw
now() { date +%s%N; }
# Plays the replay; waits for its window. Sets `shown` (ns) when it came.
play() {
  rm -f "$audio"
  (cd "$DATA" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" exec timeout 60 "$BIN/vlnedla" \
    --replay "$work/kept/1.vlr") >"$work/prog.log" 2>&1 &
  prog_pid=$!
  match=$(xvfb_find_window '^Vlnedla$')
  shown=$(now)
  [ -n "$match" ] || fail "no match window"
}
# Waits for the program's end: fails unless it ended with 0 between $1 and $2 s after `shown`.
ends_within() {
  local rc=0
  wait "$prog_pid" || rc=$?
  prog_pid=""
  local took=$((($(now) - shown) / 1000000))
  [ "$rc" -eq 0 ] || fail "the replay ended with $rc ($3)"
  ((took >= $1 * 1000 && took <= $2 * 1000)) || fail "the replay ended after $took ms ($3)"
  echo "xvfb_replay: $3: ended with 0 after $took ms"
}

play
ends_within 3 15 "played to its end"
python3 - "$audio" <<'PY' || fail "the replay was not heard"
import array, math, sys
data = array.array('f')
with open(sys.argv[1], 'rb') as f:
    data.frombytes(f.read())
rms = [math.sqrt(sum(x * x for x in data[ch::2]) / max(len(data) // 2, 1)) for ch in (0, 1)]
print(f"xvfb_replay: heard L {rms[0]:.4f} R {rms[1]:.4f}")
sys.exit(0 if min(rms) > 0.002 else 1)
PY

play
sleep 1
xdotool key --window "$match" space
sleep 3
xdotool key --window "$match" space
ends_within 6 18 "paused for 3 s"

play
sleep 1
# Only the press: the replay ends on it, and its window may be gone before a release came.
xdotool keydown --window "$match" Escape
ends_within 0 3 "left with Esc"
