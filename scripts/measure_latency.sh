#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures key -> first audible sample of the real game through a PulseAudio server: a
# daemon of its own with a null sink, the game under Xvfb on it, a match started, the left
# player's Space pressed PRESSES times (XTEST, timestamped), the sink's monitor recorded
# with 2 ms latency; then, with the recording stopped (so that the sink runs at its own
# latency, as a sound card's does), SOAK seconds of busy play and the underruns the server
# saw meanwhile.
#   scripts/measure_latency.sh [BUILD_DIR] [PRESSES] [SOAK]   (defaults: build, 24, 60)
# With PROBE=menu the presses are Down and Up in turn in the main menu instead (each speaks
# the item it moves to),
# and there is no match and no soak.
# Prints one line per press, the summary (min, median, max), the period the game's stream
# got and the underrun count. Exit 1 when a press went unheard or the game did not run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(cd "${1:-build}" && pwd)
presses=${2:-24}
soak=${3:-60}
bash scripts/setup.sh

work=$(mktemp -d)
prog_pid=""
keeper=""
source "$root/tests/scripts/lib/xvfb.sh"
source "$root/tests/scripts/lib/pulse.sh"
cleanup() {
    [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null || true
    [ -n "$keeper" ] && kill "$keeper" 2>/dev/null || true
    pulse_stop
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

xvfb_start
pulse_start
# A null sink left idle runs at a latency of 2 s, and a stream made then keeps a long
# buffer; a sound card in use runs at a few ms. A recording at 2 ms latency, kept from
# before the game starts, holds the sink there, as a card in use would be.
parec -d vlnull.monitor --raw --latency-msec=2 >/dev/null &
keeper=$!
sleep 0.5
(cd "$build/data" && SDL_AUDIODRIVER=pulseaudio exec "$build/bin/vlnedla") >"$work/prog.log" 2>&1 &
prog_pid=$!
menu=$(xvfb_find_window '^Hlavn.* menu$')
[ -n "$menu" ] || { echo "measure_latency: no menu window"; cat "$work/prog.log"; exit 1; }
sleep 4 # the greeting
if [ "${PROBE:-match}" = menu ]; then
  # The menu's own latency: Down and Up in turn move between two items, each spoken at once.
  python3 "$root/scripts/latency_probe.py" "$presses" Down,Up 0
  exit
fi
xdotool key Return # XTEST, to the focused menu, as a real key
match=$(xvfb_find_window '^Vlnedla$')
[ -n "$match" ] || { echo "measure_latency: no match window"; cat "$work/prog.log"; exit 1; }
sleep 1 # the window is up and has the focus (SDL gives it when it shows): XTEST keys go there
status=0
python3 "$root/scripts/latency_probe.py" "$presses" space 0 || status=$?
sleep 1
marker=$(wc -l <"$work/pulse/log.txt")
python3 "$root/scripts/latency_probe.py" --play "$soak"
kill -0 "$prog_pid" 2>/dev/null || { echo "measure_latency: the game ended"; cat "$work/prog.log"; exit 1; }
# The underruns of the game's stream during the busy play.
tail -n +"$marker" "$work/pulse/log.txt" | grep "Implicit underrun of 'Audio Stream'" \
    >"$work/underruns.txt" || true
echo "underruns of the game's stream during $soak s of play: $(wc -l <"$work/underruns.txt")"
head -n 5 "$work/underruns.txt" | sed 's/^/  /'
exit "$status"
