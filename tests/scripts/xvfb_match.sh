#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# xvfb_match: the real program under Xvfb with SDL's disk audio driver: "Start hry" shows
# the match window and both craft hum, each on its own side; the left player's Space fires
# (a burst on the left); Esc hides the match window, the hums stop and the menu speaks
# again, in the middle. The sound is judged from what the program wrote to the disk file.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
prog_pid=""
at_exit '[ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null'
need_data snd/menu.dat snd/game.dat pics/game.dat
use_xvfb

audio=$work/out.raw
(cd "$DATA" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" exec timeout 90 "$BIN/vlnedla") \
  >"$work/prog.log" 2>&1 &
prog_pid=$!
menu=$(xvfb_find_window '^Hlavn.* menu$')
[ -n "$menu" ] || { echo "xvfb_match: no menu window"; cat "$work/prog.log"; exit 1; }

# Byte offsets of the disk file at each moment the check acts: the driver writes what the
# mixer plays, in real time, so an offset is a time in the sound.
mark() { stat -c %s "$audio" 2>/dev/null || echo 0; }
sleep 4 # the greeting
xdotool key --window "$menu" Return
match=$(xvfb_find_window '^Vlnedla$')
[ -n "$match" ] || { echo "xvfb_match: Start hry showed no match window"; cat "$work/prog.log"; exit 1; }
sleep 1.5
start=$(mark)
sleep 1
before_fire=$(mark)
xdotool keydown --window "$match" space
sleep 0.3
xdotool keyup --window "$match" space
after_fire=$(mark)
sleep 0.5
xdotool keydown --window "$match" Escape
sleep 0.2
xdotool keyup --window "$match" Escape
sleep 0.5
left=$(mark)
sleep 2.5
spoken=$(mark)
if xdotool search --onlyvisible --name '^Vlnedla$' >/dev/null 2>&1; then
  echo "xvfb_match: the match window is still shown after Esc"; exit 1
fi
kill "$prog_pid" 2>/dev/null || true
wait "$prog_pid" 2>/dev/null || true
prog_pid=""

python3 - "$audio" "$start" "$before_fire" "$after_fire" "$left" "$spoken" <<'PY'
import array, math, sys
path, start, before, after, left, spoken = sys.argv[1], *map(int, sys.argv[2:])
data = array.array('f')
with open(path, 'rb') as f:
    data.frombytes(f.read())
def rms(a, b, ch):  # byte offsets, channel 0 left / 1 right
    s = data[a // 4 + ch:b // 4:2]
    return math.sqrt(sum(x * x for x in s) / max(len(s), 1))
hum_l, hum_r = rms(start, before, 0), rms(start, before, 1)
fire_l = rms(before, after, 0)
menu_l, menu_r = rms(left, spoken, 0), rms(left, spoken, 1)
print(f"hum L {hum_l:.4f} R {hum_r:.4f}; firing L {fire_l:.4f}; after Esc L {menu_l:.4f} R {menu_r:.4f}")
ok = True
if hum_l < 0.002 or hum_r < 0.002:
    print("xvfb_match: the craft do not hum on both sides"); ok = False
if fire_l < hum_l * 1.2:
    print("xvfb_match: Space made no sound on the left"); ok = False
if menu_l < 0.002 or abs(menu_l - menu_r) > 0.25 * max(menu_l, menu_r):
    print("xvfb_match: the menu did not speak in the middle after Esc"); ok = False
sys.exit(0 if ok else 1)
PY
