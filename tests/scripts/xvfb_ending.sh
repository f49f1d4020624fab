#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# xvfb_ending: the program always lets itself be ended. --help and --version answer and a
# bad option is refused (exit 2) with no display at all; under Xvfb SIGTERM ends the real
# program within 2 s with exit code 143 in the menu, in a match and without data (its error
# boxes also on standard error), and SIGINT and SIGHUP end it with 130 and 129.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
prog_pid=""
at_exit '[ -n "$prog_pid" ] && kill -9 "$prog_pid" 2>/dev/null'

# --- the command line, without a display -------------------------------------------------
nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy "$BIN/vlnedla" "$@"; }
out=$(nodisplay --help) || fail "--help failed"
grep -q -- '--version' <<<"$out" || fail "--help: $out"
[ "$(nodisplay --version)" = "vlnedla $(sed -n 's/^project(Vlnedla VERSION \([0-9.]*\).*/\1/p' "$here/../../CMakeLists.txt")" ] ||
    fail "--version: $(nodisplay --version)"
rc=0
nodisplay --speed 3 >"$work/out.txt" 2>"$work/err.txt" || rc=$?
[ "$rc" -eq 2 ] || fail "a bad option ended with $rc, not 2"
[ ! -s "$work/out.txt" ] || fail "a bad option wrote to standard output"
grep -q "unknown option '--speed'" "$work/err.txt" && grep -q '^Usage: vlnedla' "$work/err.txt" ||
    fail "a bad option: $(cat "$work/err.txt")"
rc=0
nodisplay --computer middle >"$work/out.txt" 2>"$work/err.txt" || rc=$?
[ "$rc" -eq 2 ] || fail "a bad --computer value ended with $rc, not 2"
grep -q "bad value 'middle' for --computer" "$work/err.txt" ||
    fail "a bad --computer value: $(cat "$work/err.txt")"
grep -q -- '--computer SIDE' <<<"$out" || fail "--help does not describe --computer: $out"

# --- signals, under Xvfb ---------------------------------------------------------------------
need_data snd/menu.dat
use_xvfb

# Starts the program in folder $1; waits for a window whose title matches $2.
start() {
    (cd "$1" && SDL_AUDIODRIVER=dummy exec "$BIN/vlnedla") >"$work/prog.log" 2>&1 &
    prog_pid=$!
    [ -n "$(xvfb_find_window "$2")" ] || fail "no window '$2'"
}
# Sends signal $1 and expects the program to end within 2 s with exit code $2.
ends_on() {
    local signal=$1 want=$2 rc=0
    kill -s "$signal" "$prog_pid"
    for _ in $(seq 1 20); do kill -0 "$prog_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$prog_pid" 2>/dev/null && fail "SIG$signal did not end the program within 2 s ($3)"
    wait "$prog_pid" || rc=$?
    prog_pid=""
    [ "$rc" -eq "$want" ] || fail "SIG$signal ($3) ended the program with $rc, not $want"
}

start "$DATA" '^Hlavn.* menu$'
sleep 1
ends_on TERM 143 "in the menu"

start "$DATA" '^Hlavn.* menu$'
sleep 4
xdotool key Return # Start hry
[ -n "$(xvfb_find_window '^Vlnedla$')" ] || fail "no match window"
sleep 1
ends_on TERM 143 "in a match"

start "$DATA" '^Hlavn.* menu$'
ends_on INT 130 "at the greeting"
start "$DATA" '^Hlavn.* menu$'
ends_on HUP 129 "in the menu"

# Without data: the error boxes (their texts also on standard error), then the menu.
mkdir -p "$work/empty"
start "$work/empty" '^Hlavn.* menu$'
sleep 0.5
grep -q 'Vlnedla: Cannot open file .*snd/menu.dat' "$work/prog.log" ||
    fail "the error box's text is not on standard error"
ends_on TERM 143 "without data"
echo "xvfb_ending: OK"
