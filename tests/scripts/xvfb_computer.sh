#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# xvfb_computer: the real program under Xvfb with `--computer right:5` and SDL's disk audio
# driver, the left player doing nothing. After "Start hry" the right craft climbs towards
# the left one (its half of the window changes, the left half does not) and then fires on
# its side (the right channel grows loud with its guns while the left player never fires).
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
prog_pid=""
at_exit '[ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null'
need_data snd/menu.dat snd/game.dat pics/game.dat
use_xvfb

audio=$work/out.raw
(cd "$DATA" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" \
  exec timeout 90 "$BIN/vlnedla" --computer right:5) >"$work/prog.log" 2>&1 &
prog_pid=$!
menu=$(xvfb_find_window '^Hlavn.* menu$')
[ -n "$menu" ] || fail "no menu window"
mark() { stat -c %s "$audio" 2>/dev/null || echo 0; }
sleep 4 # the greeting
xdotool key Return
match=$(xvfb_find_window '^Vlnedla$')
[ -n "$match" ] || fail "Start hry showed no match window"
sleep 0.5
import -window "$match" "$work/a.ppm"
climb=$(mark)
sleep 1.5
import -window "$match" "$work/b.ppm"
climbed=$(mark)
# Up the field (about 3.2 s), then shots until the left craft is gone.
sleep 4
fired=$(mark)
kill "$prog_pid" 2>/dev/null || true
wait "$prog_pid" 2>/dev/null || true
prog_pid=""

python3 - "$work/a.ppm" "$work/b.ppm" "$audio" "$climb" "$climbed" "$fired" <<'PY'
import array, math, sys
a_path, b_path, audio = sys.argv[1:4]
climb, climbed, fired = map(int, sys.argv[4:])
def ppm(path):
    data = open(path, 'rb').read()
    parts, pos = [], 0
    while len(parts) < 4:  # P6, width, height, maxval
        while data[pos:pos + 1].isspace(): pos += 1
        end = pos
        while not data[end:end + 1].isspace(): end += 1
        parts.append(data[pos:end]); pos = end
    return int(parts[1]), int(parts[2]), data[pos + 1:]
w, h, a = ppm(a_path)
_, _, b = ppm(b_path)
def changed(x0, x1):  # pixels of columns [x0, x1) that differ between the two pictures
    n = 0
    for y in range(h):
        row = y * w * 3
        n += sum(1 for x in range(x0, x1) if a[row + 3 * x:row + 3 * x + 3] != b[row + 3 * x:row + 3 * x + 3])
    return n
left, right = changed(30, 142), changed(395, 506)
print(f"pixels changed: left craft's band {left}, right craft's band {right}")
samples = array.array('f')
with open(audio, 'rb') as f:
    samples.frombytes(f.read())
def rms(a0, a1, ch):
    s = samples[a0 // 4 + ch:a1 // 4:2]
    return math.sqrt(sum(x * x for x in s) / max(len(s), 1))
# The loudest quarter second on the right after the climb, against the climb itself.
quarter = 48000 * 2 * 4 // 4
quiet_r = rms(climb, climbed, 1)
loud_r = max((rms(t, t + quarter, 1) for t in range(climbed, max(fired - quarter, climbed), quarter // 2)), default=0)
print(f"right channel: climbing {quiet_r:.4f}, firing {loud_r:.4f}")
ok = True
if right < 200 or left > 0:
    print("xvfb_computer: the right craft did not move alone"); ok = False
if loud_r < 1.5 * quiet_r:
    print("xvfb_computer: no guns were heard on the right"); ok = False
sys.exit(0 if ok else 1)
PY
