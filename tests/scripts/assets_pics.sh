#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# assets_pics: the data tool's picture commands end to end — build a picture file from a
# PPM (and a BMP when ImageMagick is there), list it as JSON, extract it back, and see
# that malformed files list what was read and end with the reader's message.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
tool="$BIN/vlnedla-assets"

# A 4 x 2 picture: two 2 x 2 patterns, magenta corners for the colour key.
printf 'P6\n# made by the test\n4 2\n255\n' > "$work/tank.ppm"
printf '\377\000\377\001\002\003\004\005\006\377\000\377' >> "$work/tank.ppm"
printf '\007\010\011\012\013\014\015\016\017\020\021\022' >> "$work/tank.ppm"
{
  echo "# name file properties"
  echo "tanklevy tank.ppm patternWidth=2 transparentColor=clFuchsia"
} > "$work/manifest.txt"
have_bmp=0
if command -v convert >/dev/null 2>&1; then
  convert -size 5x3 xc:navy -fill yellow -draw 'point 1,1' BMP3:"$work/wide.bmp"
  echo "wide wide.bmp transparent=0 systemMemory skipHeight=1 transparentColor=0x00FF00" \
    >> "$work/manifest.txt"
  have_bmp=1
fi

"$tool" pics build "$work/manifest.txt" "$work/pics.dat"
"$tool" pics list "$work/pics.dat" --json > "$work/list.json"
grep -q '"index": 0, "name": "tanklevy", "kind": "TDIB", "width": 4, "height": 2, "bitCount": 24, "patternWidth": 2, "patternHeight": 0, "skipWidth": 0, "skipHeight": 0, "systemMemory": false, "transparent": true, "transparentColor": 16711935, "imageWidth": 2, "imageHeight": 2}' "$work/list.json" \
  || { cat "$work/list.json"; fail "listing of the PPM item"; }
if ((have_bmp)); then
  grep -q '"name": "wide", "kind": "TBitmap", "width": 5, "height": 3, "bitCount": [0-9]*, "patternWidth": 0, "patternHeight": 0, "skipWidth": 0, "skipHeight": 1, "systemMemory": true, "transparent": false, "transparentColor": 65280' "$work/list.json" \
    || { cat "$work/list.json"; fail "listing of the BMP item"; }
fi
"$tool" pics list "$work/pics.dat" | grep -q 'tanklevy' || fail "table listing"

# Extracting gives the PPM back byte for byte (our writer puts no comment in).
"$tool" pics extract "$work/pics.dat" "$work/out"
printf 'P6\n4 2\n255\n' > "$work/expect.ppm"
tail -c 24 "$work/tank.ppm" >> "$work/expect.ppm"
cmp "$work/expect.ppm" "$work/out/0.ppm" || fail "extracted picture differs"
if ((have_bmp)); then
  convert "$work/out/1.ppm" -format '%[pixel:p{1,1}] %[pixel:p{0,0}]' info: | grep -q 'srgb(255,255,0) srgb(0,0,128)' \
    || fail "extracted BMP picture differs"
fi

# Malformed: not a picture file; a file cut short keeps the items before the cut.
printf 'TPF0' > "$work/bad.dat"
if "$tool" pics list "$work/bad.dat" --json > "$work/bad.out" 2> "$work/bad.err"; then
  fail "a bad file listed without failure"
fi
[ "$(tail -n 1 "$work/bad.err")" = "Invalid stream format" ] || fail "message: $(cat "$work/bad.err")"
[ "$(tr -d ' \n' < "$work/bad.out")" = "[]" ] || fail "items of a bad file: $(cat "$work/bad.out")"

size=$(stat -c %s "$work/pics.dat")
head -c $((size - 12)) "$work/pics.dat" > "$work/cut.dat"
set +e
"$tool" pics list "$work/cut.dat" --json > "$work/cut.out" 2> "$work/cut.err"
status=$?
set -e
[ "$status" -eq 1 ] || fail "exit code $status for a cut file"
grep -q '"name": "tanklevy"' "$work/cut.out" || fail "items before the cut are not listed"
tail -n 1 "$work/cut.err" | grep -q 'Stream read error$' || fail "message: $(cat "$work/cut.err")"

# A folder is no manifest: the build fails and writes nothing.
mkdir "$work/folder"
if "$tool" pics build "$work/folder" "$work/none.dat" 2>/dev/null; then
  fail "a folder given as the manifest built a file"
fi
[ ! -e "$work/none.dat" ] || fail "a file was written from a folder"

# A name that is not UTF-8 still lists as JSON that parses.
if command -v python3 >/dev/null 2>&1; then
  printf 'bad\303( tank.ppm\n' > "$work/odd.txt"
  "$tool" pics build "$work/odd.txt" "$work/odd.dat"
  "$tool" pics list "$work/odd.dat" --json | python3 -c 'import json,sys; json.load(sys.stdin)' \
    || fail "listing of a name that is not UTF-8 is not JSON"
fi

# Usage.
"$tool" pics --help | grep -q 'build MANIFEST OUT' || fail "pics --help"
"$tool" pics build --help | grep -q 'transparentColor' || fail "pics build --help"
if "$tool" pics list 2>/dev/null; then fail "list without FILE succeeded"; fi
echo "assets_pics: ok"
