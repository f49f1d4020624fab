#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Windows release under Wine, headless: unpacked into a folder whose path has
# Czech letters and spaces, its simulator gives the golden busy trace byte for byte; the
# program answers --version and --help; a replay renders to the same WAV as on Linux and to
# Opus; under Xvfb with SDL's disk audio it speaks its
# menu, starts a match on Enter, a left shot is heard on the left only, Esc and "Konec hry"
# end it with exit code 0; a Linux simulator hosting and a Windows one joining play the
# same match; a release without its data says so and ends.
#   scripts/check_windows.sh [ZIP]   (default: the one build_windows.sh made)
#   BUILD_DIR: the Linux build (its simulator and tests), default build
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linux=$(cd "${BUILD_DIR:-build}" && pwd)
version=$(sed -n 's/^project(Vlnedla VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip=${1:-dist/vlnedla-$version-windows-x64.zip}
[ -f "$zip" ] || { echo "check_windows: no $zip (scripts/build_windows.sh makes it)"; exit 1; }
for p in wine64 xvfb xdotool unzip; do
  dpkg -s "$p" >/dev/null 2>&1 || { apt-get update -qq; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine64 xvfb xdotool unzip >/dev/null; break; }
done
wine=$(command -v wine64 || command -v wine)

work=$(mktemp -d /tmp/vl-windows.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check_windows: $*"; for l in "$work"/*.log; do [ -f "$l" ] && { echo "--- $l"; tail -n 30 "$l"; }; done; exit 1; }
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The game follows the locale, then Windows' own language (Wine's, from the host's locale).
# The checks below are of the game in Czech, one check of the locale's choice apart:
# LANGUAGE chooses it, since the host has no Czech locale for LANG (Wine would then lose the
# Czech letters of the folder's name).
export LANG=C.UTF-8 LANGUAGE=cs
unset LC_ALL LC_MESSAGES
# The user's folders of the Wine user stay inside the scratch folder too.
"$wine" wineboot --init >/dev/null 2>&1 || true

here="$work/Hry Jiří Novák"
mkdir -p "$here"
unzip -q "$zip" -d "$here"
rel="$here/vlnedla-$version-windows-x64"
files=$(cd "$rel" && find . -type f | sort)
echo "check_windows: the release: $(echo "$files" | wc -l) files, $(du -sk "$rel" | cut -f1) KB unpacked, $(du -k "$zip" | cut -f1) KB zipped"
for f in vlnedla.exe vlnedla-sim.exe vlnedla-assets.exe SDL2.dll SDL2_ttf.dll snd/menu.dat snd/game.dat snd/guide.dat pics/game.dat lang/en/snd/menu.dat lang/en/snd/game.dat lang/en/snd/guide.dat DejaVuSans.ttf README.txt LICENSE.txt; do
  [ -f "$rel/$f" ] || fail "the release has no $f"
done
head -c 2000 "$rel/README.txt" | grep -q $'\r$' || fail "README.txt has no Windows line ends"

# --- the command line ----------------------------------------------------------------------
out=$(cd "$rel" && "$wine" ./vlnedla.exe --version 2>&1 | tr -d '\r') || fail "--version failed: $out"
[ "$out" = "vlnedla $version" ] || fail "--version said: $out"
out=$(cd "$rel" && "$wine" ./vlnedla.exe --help 2>&1 | tr -d '\r') || true
grep -q -- '--computer' <<<"$out" || fail "--help said: $out"
out=$(cd "$rel" && LANGUAGE=de "$wine" ./vlnedla.exe --help 2>&1 | tr -d '\r') || true
grep -q 'A two-player hovercraft duel' <<<"$out" || fail "--help in German's locale is not English: $out"
rc=0; (cd "$rel" && "$wine" ./vlnedla.exe --speed 3 >"$work/refuse.txt" 2>&1) || rc=$?
[ "$rc" -eq 2 ] && grep -q "unknown option '--speed'" "$work/refuse.txt" || fail "a bad option: $rc $(cat "$work/refuse.txt")"

# --- the simulator's golden trace ----------------------------------------------------------
kit=$work/kit
VL_TRACE_KIT=$kit "$linux/bin/test_app" --gtest_filter=SimTrace.* >"$work/linux-trace.log" 2>&1 ||
  fail "the Linux trace test failed"
cp -r "$kit/data" "$rel/trace-data"
cp "$kit/script.txt" "$rel/trace-script.txt"
(cd "$rel" && XDG_CONFIG_HOME= "$wine" ./vlnedla-sim.exe --data trace-data trace-script.txt \
  >"$work/windows.trace" 2>"$work/windows-trace.log") || fail "vlnedla-sim.exe failed"
cmp "$work/windows.trace" tests/app/golden/busy_match.trace ||
  fail "the Windows simulator's trace differs from the golden one"
echo "check_windows: vlnedla-sim.exe gives the golden trace byte for byte"
rm -rf "$rel/trace-data" "$rel/trace-script.txt"

# --- a replay heard as a sound file, on both systems -------------------------------------------
printf 'wait 1800\npress ENTER\nawait Form1\ndown E\ndown SPACE\nwait 2000\nup SPACE\nup E\npress ESCAPE\nwait 500\n' \
  >"$work/kept.txt"
XDG_CONFIG_HOME=$work/config "$linux/bin/vlnedla-sim" --data "$linux/data" --record "$work/kept" \
  "$work/kept.txt" >/dev/null 2>"$work/kept.log" || fail "the match to render could not be kept"
(cd "$linux/data" && XDG_CONFIG_HOME=$work/config "$linux/bin/vlnedla" \
  --replay "$work/kept/1.vlr" --render "$work/linux.wav") >"$work/render-linux.log" 2>&1 ||
  fail "the Linux render failed"
cp "$work/kept/1.vlr" "$rel/kept match.vlr"
(cd "$rel" && "$wine" ./vlnedla.exe --replay "kept match.vlr" --render "kept match.wav" \
  && "$wine" ./vlnedla.exe --replay "kept match.vlr" --render "kept match.opus") \
  >"$work/render-windows.log" 2>&1 || fail "vlnedla.exe --render failed"
cmp "$rel/kept match.wav" "$work/linux.wav" || fail "the Windows render differs from the Linux one"
[ "$(head -c 4 "$rel/kept match.opus")" = OggS ] || fail "vlnedla.exe wrote no Ogg Opus file"
echo "check_windows: vlnedla.exe --render writes the Linux program's WAV byte for byte, and Opus"
rm -f "$rel/kept match".*
# The renders ran without a display: Wine's server would keep their desktop, which has none,
# for a few seconds after, and the windowed program started meanwhile could not create its
# windows ("Window cannot be created: ... Environment variable not found"). Its end is waited.
wineserver -w

# --- the real program under Xvfb -------------------------------------------------------------
prog_pid=""
source tests/scripts/lib/xvfb.sh
pids+=("") # the display's pid is added once it runs
xvfb_start
pids[-1]=$xvfb_pid
audio=$work/out.raw
(cd "$rel" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="Z:${audio//\//\\}" \
  exec timeout 120 "$wine" ./vlnedla.exe) >"$work/prog.log" 2>&1 &
prog_pid=$!
pids+=("$prog_pid")
menu=$(xvfb_find_window '^Hlavn.* menu$')
[ -n "$menu" ] || fail "no menu window"
mark() { stat -c %s "$audio" 2>/dev/null || echo 0; }
sleep 5 # the greeting
greeted=$(mark)
xdotool windowfocus --sync "$menu" key Return
match=$(xvfb_find_window '^Vlnedla$')
[ -n "$match" ] || fail "Start hry showed no match window"
sleep 1.5
start=$(mark)
sleep 1
before=$(mark)
xdotool windowfocus --sync "$match" keydown space
sleep 0.3
xdotool keyup space
after=$(mark)
sleep 0.5
xdotool key Escape
sleep 3
back=$(xvfb_find_window '^Hlavn.* menu$')
[ -n "$back" ] || fail "Esc did not bring the menu back"
xdotool windowfocus --sync "$back" key End Return
rc=0
wait "$prog_pid" || rc=$?
[ "$rc" -eq 0 ] || fail "Konec hry ended the program with $rc"
python3 - "$audio" "$greeted" "$start" "$before" "$after" <<'PY' || fail "the sound was not as it should be"
import array, math, sys
path, greeted, start, before, after = sys.argv[1], *map(int, sys.argv[2:])
data = array.array('f')
with open(path, 'rb') as f:
    data.frombytes(f.read())
def rms(a, b, ch):
    s = data[a // 4 + ch:b // 4:2]
    return math.sqrt(sum(x * x for x in s) / max(len(s), 1))
menu = max(rms(0, greeted, 0), rms(0, greeted, 1))
hum_l, hum_r = rms(start, before, 0), rms(start, before, 1)
fire_l, fire_r = rms(before, after, 0), rms(before, after, 1)
print(f"check_windows: menu {menu:.4f}; hum L {hum_l:.4f} R {hum_r:.4f}; firing L {fire_l:.4f} R {fire_r:.4f}")
ok = menu > 0.002 and hum_l > 0.002 and hum_r > 0.002
ok = ok and fire_l > hum_l * 1.2 and fire_r < hum_r * 1.1
sys.exit(0 if ok else 1)
PY
echo "check_windows: vlnedla.exe spoke its menu, played a match, the left shot on the left only, and ended with 0"

# --- a duel between Linux and Windows ---------------------------------------------------------
dumps() { local i; for ((i = 0; i < $1; i++)); do printf 'dump\nwait 10\n'; done; }
{ printf 'wait 1800\npress ENTER\nawait Form1\ndown E\ndown SPACE\n'; dumps 100
  printf 'up SPACE\nup E\npress X\n'; dumps 100; printf 'wait 2000\ndump\n'; } >"$work/host.txt"
{ printf 'await Form1\ndown DOWN\npress SHIFT\npress NUMPAD0\n'; dumps 100; printf 'up DOWN\n'
  dumps 50; printf 'press ESCAPE\nwait 1500\ndump\n'; } >"$rel/joiner.txt"
port=$((30000 + $$ % 20000))
timeout 120 "$linux/bin/vlnedla-sim" --host "$port" --data "$linux/data" "$work/host.txt" \
  >"$work/host.trace" 2>"$work/host.log" &
host_pid=$!
pids+=("$host_pid")
(cd "$rel" && XDG_CONFIG_HOME= timeout 120 "$wine" ./vlnedla-sim.exe --language en --join "127.0.0.1:$port" \
  --data . joiner.txt >"$work/joiner.trace" 2>"$work/joiner.log") || fail "the Windows joiner failed"
wait "$host_pid" || fail "the Linux host failed"
python3 - "$work/host.trace" "$work/joiner.trace" <<'PY' || fail "the two machines' matches differ"
import json, sys
def matches(path):
    out = {}
    for line in open(path, encoding="utf-8"):
        if '"ev":"dump"' not in line: continue
        m = json.loads(line).get("match")
        if m and m.get("gamerunning") is not None: out[m["frames"]] = json.dumps(m, sort_keys=True)
    return out
h, j = matches(sys.argv[1]), matches(sys.argv[2])
common = [f for f in h if f in j]
bad = [f for f in common if h[f] != j[f]]
print(f"check_windows: duel: {len(common)} frames dumped on both, {len(bad)} differ")
sys.exit(0 if len(common) >= 50 and not bad else 1)
PY
rm -f "$rel/joiner.txt"

# --- a release without its data ----------------------------------------------------------------
mv "$rel/snd" "$rel/snd.away"
mv "$rel/pics" "$rel/pics.away"
(cd "$rel" && SDL_AUDIODRIVER=dummy timeout 60 "$wine" ./vlnedla.exe) >"$work/nodata.log" 2>&1 &
prog_pid=$!
pids+=("$prog_pid")
sleep 4
for _ in $(seq 1 20); do # the box is answered with Enter
  kill -0 "$prog_pid" 2>/dev/null || break
  xdotool key Return 2>/dev/null || true
  sleep 0.5
done
rc=0
wait "$prog_pid" || rc=$?
mv "$rel/snd.away" "$rel/snd"
mv "$rel/pics.away" "$rel/pics"
[ "$rc" -eq 1 ] && grep -q "Hra nenašla svá data" "$work/nodata.log" ||
  fail "a release without its data ended with $rc and said: $(cat "$work/nodata.log")"
echo "check_windows: without its data: $(tr -d '\r' <"$work/nodata.log" | head -1)"
# A windowed program's standard error reaches nobody: the box's text is in the user's log.
log=$(find "$WINEPREFIX/drive_c/users" -path '*AppData/Local/Vlnedla/vlnedla.log' | head -1)
[ -n "$log" ] && grep -q "Hra nenašla svá data" "$log" || fail "the message is not in %LOCALAPPDATA%\\Vlnedla\\vlnedla.log"
echo "check_windows: all checks passed"
