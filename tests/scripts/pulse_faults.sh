#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# pulse_faults: the real program against a real PulseAudio server (a daemon of the check's
# own, with a null sink), under Xvfb. In a match: the only sink unloaded for 2 s and loaded
# again, then the daemon killed and started again; after each the program still runs, its
# stream is back on the sink and sound is on the sink's monitor (and a healthy stream is
# opened once, not closed and opened again while the server starts it). "Konec hry" ends it
# with exit code 0. And a start against a server without any sink: the program says it runs
# silent, runs, and is heard once a sink is loaded.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
prog_pid=""
at_exit '[ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null'
need_data snd/menu.dat snd/game.dat pics/game.dat
use_pulse
command -v pactl >/dev/null && command -v parec >/dev/null ||
    skip "no pactl or parec (scripts/setup.sh installs them)"
use_xvfb

start_game() {
    (cd "$DATA" && SDL_AUDIODRIVER=pulseaudio exec timeout 180 "$BIN/vlnedla") \
        >"$work/prog.log" 2>&1 &
    prog_pid=$!
}
alive() { kill -0 "$prog_pid" 2>/dev/null || fail "the program ended ($1)"; }
# Waits up to 15 s for the program's stream to play on the null sink.
stream_back() {
    for _ in $(seq 1 150); do
        pactl list short sink-inputs 2>/dev/null | grep -q . && return 0
        alive "$1"
        sleep 0.1
    done
    fail "no stream on the sink $1"
}
# The loudest sample of the last second of 2.5 s of the sink's monitor must be well above
# silence. (A recording at low latency: an idle null sink otherwise plays in 2 s blocks.)
heard() {
    timeout 2.5 parec -d vlnull.monitor --raw --format=s16le --rate=48000 --channels=2 \
        --latency-msec=20 \
        >"$work/monitor.raw" 2>/dev/null || true
    python3 - "$work/monitor.raw" "$1" <<'PY' || fail "nothing heard on the sink $2"
import array, sys
a = array.array('h')
with open(sys.argv[1], 'rb') as f:
    b = f.read()
a.frombytes(b[: len(b) // 2 * 2])
tail = a[-2 * 48000:]  # the last second, after the recording has settled
peak = max((abs(x) for x in tail), default=0)
print(f"pulse_faults: {sys.argv[2]}: {len(a) // 2} frames recorded, peak {peak}")
sys.exit(0 if peak > 200 else 1)
PY
}

# --- faults in a match -------------------------------------------------------------------
pulse_start
start_game
menu=$(xvfb_find_window '^Hlavn.* menu$')
[ -n "$menu" ] || fail "no menu window"
stream_back "at the start"
sleep 3 # the greeting
# A healthy stream is opened once, though the idle null sink starts it only after 2 s.
opened=$(grep -c 'Created input' "$work/pulse/log.txt" || true)
[ "$opened" -eq 1 ] || fail "the stream was opened $opened times in the first 3 s"
xdotool key Return
match=$(xvfb_find_window '^Vlnedla$')
[ -n "$match" ] || fail "Start hry showed no match window"
sleep 1
heard "in the match" "in the match"

pulse_unload_sink
sleep 2
alive "while the server had no output"
pulse_load_sink
stream_back "after the sink came back"
sleep 1
heard "after the sink came back" "after the sink came back"

pulse_restart
stream_back "after the server restarted"
sleep 1
heard "after the server restarted" "after the server restarted"

# Esc closes the match, End and Return choose "Konec hry".
xdotool key Escape
sleep 3
xdotool key End
sleep 1.5
xdotool key Return
status=0
for _ in $(seq 1 100); do kill -0 "$prog_pid" 2>/dev/null || break; sleep 0.1; done
wait "$prog_pid" || status=$?
prog_pid=""
[ "$status" -eq 0 ] || fail "Konec hry ended the program with exit code $status"

# --- a start without any sink ----------------------------------------------------------
pulse_restart nosink
start_game
menu=$(xvfb_find_window '^Hlavn.* menu$')
[ -n "$menu" ] || fail "no menu window at a start without a sink"
sleep 2
alive "at a start without a sink"
grep -q 'No audio output device is available; running without sound.' "$work/prog.log" ||
    fail "a start without a sink did not say it runs silent"
pulse_load_sink
stream_back "after a sink was loaded"
xdotool key Return # Start hry: the hums sound
sleep 1.5
heard "once a sink was loaded" "once a sink was loaded"
echo "pulse_faults: OK"
