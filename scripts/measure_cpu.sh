#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# measure_cpu: the processor share of the real program under Xvfb with SDL's disk audio
# driver: idling in its main menu for SECONDS, then in a match for MATCH_SECONDS with both
# craft moving (the left one climbing and descending on E and C, the right one on Down and
# Up, in turns of 2.5 s); and of the SDL message loop while a 10 ms frame timer ticks with
# an empty frame handler (with its tick intervals), and of a thread that only sleeps and
# wakes at the audio period and the frame's (the machine's price of a wake-up). With
# PERF=1 each phase is also sampled by perf (`perf report -i WORK/menu.perf` or
# `WORK/match.perf`; the folder is then kept).
# PERF_CALLGRAPH sets perf's call-graph option (default -g; "--call-graph dwarf,16384" names
# the callers of libc's copies, which frame pointers do not reach).
#
#   scripts/measure_cpu.sh [BUILD_DIR] [SECONDS] [MATCH_SECONDS]     (defaults: build, 10, 20)
#
# With DRIVER=pulse the program plays through a PulseAudio daemon of the script's own with a
# null sink (its monitor recorded, as a sound card would pull it) instead of the disk driver.
# Each phase also lists every thread's share (user and system) and its wake-ups a second.
#
# Needs bin/vlnedla, bin/vlnedla-assets and test_platform in BUILD_DIR, Xvfb, xdotool and sox.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
secs=${2:-10}
match_secs=${3:-20}
bin=$build/bin
work=$(mktemp -d)
xvfb_pid="" prog_pid="" keeper=""
cleanup() {
  xdotool keyup e c Up Down 2>/dev/null || true
  [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$keeper" ] && kill "$keeper" 2>/dev/null || true
  [ "${DRIVER:-disk}" = pulse ] && pulse_stop
  if [ "${PERF:-0}" = 1 ]; then echo "measure_cpu: perf data kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

exec 3<> <(:)
# -noreset: the server would otherwise reset each time its last client leaves.
Xvfb </dev/null -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 10 num <&3
export DISPLAY=":$num"

# The menu bank: the generated one, or tones.
if [ -f "$build/data/snd/menu.dat" ]; then
  run_dir=$build/data
else
  run_dir=$work/data
  mkdir -p "$run_dir/snd" "$work/src"
  for n in mainmenusp startgameitemsp testspeakersitemsp soundsguideitemsp endgameitemsp \
           testspeakers endofgamesp; do
    sox -n -r 22050 -b 16 -c 1 "$work/src/$n.wav" synth 0.3 sine 440 vol 0.3
    echo "$n $n.wav" >>"$work/src/manifest.txt"
  done
  "$bin/vlnedla-assets" bank build "$work/src/manifest.txt" "$run_dir/snd/menu.dat" >/dev/null
fi

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; } # user + system, in clock ticks
# Each thread's name, user ticks and system ticks, one per line.
thread_ticks() {
  local t
  for t in /proc/"$1"/task/*; do
    awk '{ sub(/^[^(]*\(/, ""); name = $0; sub(/\).*$/, "", name); sub(/^.*\) /, "");
           gsub(/ /, "_", name); printf "%s %d %d ", name, $12, $13 }' "$t/stat" 2>/dev/null &&
      awk '/^voluntary_ctxt_switches/ { print $2 }' "$t/status" 2>/dev/null || true
  done | sort
}
hz=$(getconf CLK_TCK)

# Prints the program's share of one core over the next $2 seconds, labelled $1; with
# PERF=1 perf samples the program meanwhile into $work/$3.perf.
share() {
  local t0 t1 s0 s1 perf_pid=""
  if [ "${PERF:-0}" = 1 ]; then
    perf record -q -F 999 ${PERF_CALLGRAPH:--g} -o "$work/$3.perf" -p "$prog_pid" -- sleep "$2" 2>/dev/null &
    perf_pid=$!
  fi
  t0=$(ticks "$prog_pid")
  thread_ticks "$prog_pid" >"$work/threads0"
  s0=$(date +%s.%N)
  sleep "$2"
  t1=$(ticks "$prog_pid")
  thread_ticks "$prog_pid" >"$work/threads1"
  s1=$(date +%s.%N)
  [ -n "$perf_pid" ] && wait "$perf_pid"
  awk -v l="$1" -v a="$t0" -v b="$t1" -v s="$s0" -v e="$s1" -v hz="$hz" 'BEGIN {
    cpu = (b - a) / hz; wall = e - s;
    printf "%s: %.1f s, cpu %.2f s = %.2f %% of one core\n", l, wall, cpu, 100 * cpu / wall }'
  # Per thread (threads of one name summed; a thread that ended in between is left out).
  awk -v s="$s0" -v e="$s1" -v hz="$hz" 'NR == FNR { a[$1] += $2; k[$1] += $3; w[$1] += $4; next }
    { b[$1] += $2; l[$1] += $3; x[$1] += $4 }
    END { for (n in b) {
            u = 100 * (b[n] - a[n]) / hz / (e - s); y = 100 * (l[n] - k[n]) / hz / (e - s);
            if (u + y > 0 || x[n] - w[n] > 0)
              printf "  %-16s %.2f %% (user %.2f, system %.2f), %.0f wake-ups/s\n", n, u + y,
                     u, y, (x[n] - w[n]) / (e - s) } }' \
    "$work/threads0" "$work/threads1" | sort -k2 -rn
}

if [ "${DRIVER:-disk}" = pulse ]; then
  source "$root/tests/scripts/lib/pulse.sh"
  pulse_start
  parec -d vlnull.monitor --raw --latency-msec=2 >/dev/null &
  keeper=$!
  (cd "$run_dir" && SDL_AUDIODRIVER=pulseaudio exec "$bin/vlnedla") &
else
  (cd "$run_dir" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null exec "$bin/vlnedla") &
fi
prog_pid=$!
sleep 3 # start-up and the spoken greeting are over
share "menu idle" "$secs" menu

if [ -f "$run_dir/snd/game.dat" ]; then
  xdotool key Return # "Start hry"
  sleep 2
  (
    end=$((SECONDS + match_secs + 1))
    while ((SECONDS < end)); do
      xdotool keydown e Down; sleep 2.5; xdotool keyup e Down
      xdotool keydown c Up; sleep 2.5; xdotool keyup c Up
    done
  ) &
  mover=$!
  sleep 0.5
  share "match, both craft moving" "$match_secs" match
  kill "$mover" 2>/dev/null || true
  wait "$mover" 2>/dev/null || true
  xdotool keyup e c Up Down
else
  echo "measure_cpu: no match data in $run_dir: the match is not measured"
fi
kill "$prog_pid" 2>/dev/null || true
wait "$prog_pid" 2>/dev/null || true
prog_pid=""

"$build/bin/test_platform" --gtest_also_run_disabled_tests \
  --gtest_filter='ToolkitCpu.DISABLED_FrameTimerLoopOnTheRealClock' | grep 'frame-timer loop' || {
  echo "measure_cpu: the frame-timer measurement did not run"; exit 1; }
"$build/bin/test_platform" --gtest_also_run_disabled_tests \
  --gtest_filter='ToolkitCpu.DISABLED_BareWakeUpsOfAThread' | grep 'bare wake-ups' || {
  echo "measure_cpu: the wake-up measurement did not run"; exit 1; }
