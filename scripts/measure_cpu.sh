#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# measure_cpu: the processor share of the real program idling in its main menu under
# Xvfb, and of the SDL message loop while a 10 ms frame timer ticks with an empty frame
# handler (with its tick intervals).
#
#   scripts/measure_cpu.sh [BUILD_DIR] [SECONDS]     (defaults: build, 10)
#
# Needs bin/vlnedla, bin/vlnedla-assets and test_platform in BUILD_DIR, Xvfb and sox.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
secs=${2:-10}
bin=$build/bin
work=$(mktemp -d)
xvfb_pid="" prog_pid=""
cleanup() {
  [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
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
hz=$(getconf CLK_TCK)

(cd "$run_dir" && SDL_AUDIODRIVER=dummy exec "$bin/vlnedla") &
prog_pid=$!
sleep 3 # start-up and the spoken greeting are over
t0=$(ticks "$prog_pid")
s0=$(date +%s.%N)
sleep "$secs"
t1=$(ticks "$prog_pid")
s1=$(date +%s.%N)
awk -v a="$t0" -v b="$t1" -v s="$s0" -v e="$s1" -v hz="$hz" 'BEGIN {
  cpu = (b - a) / hz; wall = e - s;
  printf "menu idle: %.1f s, cpu %.2f s = %.2f %% of one core\n", wall, cpu, 100 * cpu / wall }'
kill "$prog_pid" 2>/dev/null || true
wait "$prog_pid" 2>/dev/null || true
prog_pid=""

"$build/bin/test_platform" --gtest_also_run_disabled_tests \
  --gtest_filter='ToolkitCpu.DISABLED_FrameTimerLoopOnTheRealClock' | grep 'frame-timer loop' || {
  echo "measure_cpu: the frame-timer measurement did not run"; exit 1; }
