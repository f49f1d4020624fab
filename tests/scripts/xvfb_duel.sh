#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# xvfb_duel: two real programs on loopback, each on an X display of its own with SDL's disk
# audio driver, driven through XTEST: the host's "Start hry" starts the match on both, both
# hear both craft; the joiner's Space fires its (right) craft, heard on the right on both
# machines; the host's Esc closes both match windows. Prints the delays from the key to the
# shot's sound on the joiner's own machine and on the host's (the figures of
# docs/performance.md), judged from the disk files, which the driver writes in real time.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
pids=()
xvfbs=()
at_exit 'for p in "${pids[@]}" "${xvfbs[@]}"; do kill "$p" 2>/dev/null || true; done'
need_data snd/menu.dat snd/game.dat pics/game.dat

# An X display of its own: prints its number.
display() {
  local fd_file=$work/xvfb$1.num
  Xvfb -displayfd 1 -screen 0 800x600x24 -nolisten tcp -noreset >"$fd_file" 2>"$work/xvfb$1.log" &
  xvfbs+=($!)
  for _ in $(seq 1 100); do
    [ -s "$fd_file" ] && break
    sleep 0.1
  done
  [ -s "$fd_file" ] || fail "Xvfb did not start"
  echo ":$(head -1 "$fd_file")"
}
hostd=$(display 1)
joind=$(display 2)
DISPLAY=$hostd xdotool getdisplaygeometry >/dev/null 2>&1 || skip "no X client can connect"
port=$((30000 + $$ % 20000))

run() { # NAME DISPLAY ARGS...
  local name=$1 disp=$2
  shift 2
  (cd "$DATA" && DISPLAY=$disp SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/$name.raw" \
    exec timeout 90 "$BIN/vlnedla" "$@") >"$work/$name.log" 2>&1 &
  pids+=($!)
}
window() { # DISPLAY TITLE-RE: waits for a shown window
  for _ in $(seq 1 300); do
    w=$(DISPLAY=$1 xdotool search --onlyvisible --name "$2" 2>/dev/null | head -1 || true)
    [ -n "$w" ] && { echo "$w"; return; }
    sleep 0.1
  done
}
mark() { stat -c %s "$work/$1.raw" 2>/dev/null || echo 0; }

run host "$hostd" --host "$port"
sleep 0.5
run joiner "$joind" --join "127.0.0.1:$port"
[ -n "$(window "$hostd" '^Hlavn.* menu$')" ] || fail "no host menu"
[ -n "$(window "$joind" '^Hlavn.* menu$')" ] || fail "no joiner menu"
sleep 5 # the greetings, and the news that the opponent is here
DISPLAY=$hostd xdotool key Return
[ -n "$(window "$hostd" '^Vlnedla$')" ] || fail "Start hry showed no match window on the host"
[ -n "$(window "$joind" '^Vlnedla$')" ] || fail "the joiner's match window did not come"
sleep 1.5
h0=$(mark host)
j0=$(mark joiner)
sleep 1
h1=$(mark host)
j1=$(mark joiner)
DISPLAY=$joind xdotool keydown space
h2=$(mark host)
j2=$(mark joiner)
sleep 0.3
DISPLAY=$joind xdotool keyup space
sleep 0.7
h3=$(mark host)
j3=$(mark joiner)
DISPLAY=$hostd xdotool key Escape
sleep 1.5
for d in "$hostd" "$joind"; do
  if DISPLAY=$d xdotool search --onlyvisible --name '^Vlnedla$' >/dev/null 2>&1; then
    fail "a match window is still shown after the host's Esc"
  fi
done

python3 - "$work" "$h0" "$h1" "$h2" "$h3" "$j0" "$j1" "$j2" "$j3" <<'PY'
import array, math, sys
work = sys.argv[1]
h0, h1, h2, h3, j0, j1, j2, j3 = map(int, sys.argv[2:])
def load(name):
    a = array.array('f')
    with open(f"{work}/{name}.raw", 'rb') as f:
        a.frombytes(f.read())
    return a
def rms(s, a, b, ch):
    x = s[a // 4 + ch:b // 4:2]
    return math.sqrt(sum(v * v for v in x) / max(len(x), 1))
def onset(s, start, end, ch, floor):
    # The first millisecond after `start` louder than twice the hum before the key.
    step = 48 * 2 * 4
    for t in range(start, end, step):
        if rms(s, t, t + step, ch) > 2 * floor:
            return (t - start) / (48 * 2 * 4)
    return None
ok = True
figures = []
for name, s, a, b, k, e in (("host", load("host"), h0, h1, h2, h3), ("joiner", load("joiner"), j0, j1, j2, j3)):
    hl, hr = rms(s, a, b, 0), rms(s, a, b, 1)
    ms = onset(s, k, e, 1, hr)
    print(f"{name}: hum L {hl:.4f} R {hr:.4f}; the joiner's shot heard on the right after {ms} ms")
    if hl < 0.002 or hr < 0.002:
        print(f"xvfb_duel: the {name} does not hear both craft"); ok = False
    if ms is None:
        print(f"xvfb_duel: the {name} did not hear the joiner's shot on the right"); ok = False
sys.exit(0 if ok else 1)
PY
