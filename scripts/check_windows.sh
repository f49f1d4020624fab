#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Windows release under Wine, headless: unpacked into a folder whose path has
# Czech letters and spaces, its simulator gives the golden busy trace byte for byte; the
# program answers --version and --help; under Xvfb with SDL's disk audio it speaks its
# menu, starts a match on Enter, a left shot is heard on the left only, Esc and "Konec hry"
# end it with exit code 0; a Linux simulator hosting and a Windows one joining play the
# same match; a release without its data says so and ends.
#   scripts/check_windows.sh [ZIP]   (default: the one build_windows.sh made)
#   BUILD_DIR: the Linux build (its simulator and tests), default build
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linux=${BUILD_DIR:-build}
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
# The user's folders of the Wine user stay inside the scratch folder too.
"$wine" wineboot --init >/dev/null 2>&1 || true

here="$work/Hry Jiří Novák"
mkdir -p "$here"
unzip -q "$zip" -d "$here"
rel="$here/vlnedla-$version-windows-x64"
files=$(cd "$rel" && find . -type f | sort)
echo "check_windows: the release: $(echo "$files" | wc -l) files, $(du -sk "$rel" | cut -f1) KB unpacked, $(du -k "$zip" | cut -f1) KB zipped"
for f in vlnedla.exe vlnedla-sim.exe vlnedla-assets.exe SDL2.dll SDL2_ttf.dll snd/menu.dat snd/game.dat snd/guide.dat pics/game.dat DejaVuSans.ttf README.txt LICENSE.txt; do
  [ -f "$rel/$f" ] || fail "the release has no $f"
done
head -c 2000 "$rel/README.txt" | grep -q $'\r$' || fail "README.txt has no Windows line ends"

# --- the command line ----------------------------------------------------------------------
out=$(cd "$rel" && "$wine" ./vlnedla.exe --version 2>&1 | tr -d '\r') || fail "--version failed: $out"
[ "$out" = "vlnedla $version" ] || fail "--version said: $out"
out=$(cd "$rel" && "$wine" ./vlnedla.exe --help 2>&1 | tr -d '\r') || true
grep -q -- '--computer' <<<"$out" || fail "--help said: $out"
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
