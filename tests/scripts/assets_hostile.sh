#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# assets_hostile: the data tool on files nobody should trust — a 2 GB sparse file and a tiny
# RLE bitmap claiming a huge picture are refused or listed within 64 MB, and five of them in
# the game's picture file cost it one picture's memory; PPMs past their
# limits are refused before converting; names with blanks, quotes and backslashes are
# taken as given; outputs that cannot be written name the file and the system's reason.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
tool="$BIN/vlnedla-assets"
cd "$work"
[ -x /usr/bin/time ] || skip "/usr/bin/time missing"

le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

# Runs the tool, expecting exit code $1 and at most 64 MB resident; stderr in err.txt.
bounded() {
  local want=$1; shift
  set +e
  /usr/bin/time -f '%M' -o rss.txt "$tool" "$@" > out.txt 2> err.txt
  local rc=$?
  set -e
  [ "$rc" -eq "$want" ] || fail "$* exited $rc: $(cat err.txt)"
  local kb; kb=$(tail -n 1 rss.txt)
  [ "$kb" -le 65536 ] || fail "$* peaked at $kb KB"
}

# --- a 2 GB sparse file: refused at its header -------------------------------------------
truncate -s 2G x.dat
bounded 1 pics list x.dat
[ "$(tail -n 1 err.txt)" = "Invalid stream format" ] || fail "pics list: $(cat err.txt)"
bounded 1 bank list x.dat
[ "$(tail -n 1 err.txt)" = "Invalid stream format" ] || fail "bank list: $(cat err.txt)"
ln -s x.dat x.bmp
echo 'huge x.bmp' > huge.txt
bounded 1 pics build huge.txt huge.dat
grep -q 'huge.txt:1: .*x.bmp: DIB is invalid' err.txt || fail "pics build: $(cat err.txt)"
rm x.dat

# --- an RLE8 bitmap of 64 bytes declaring 16384 x 4096 pixels -------------------------------
{
  printf 'BM'; le32 64; le32 0; le32 62
  le32 40; le32 16384; le32 4096; le16 1; le16 8; le32 1; le32 2; le32 0; le32 0; le32 2; le32 0
  le32 0x000000FF; le32 0x0000FF00 # palette: blue, green
  printf '\000\001'                # end of bitmap
} > bomb.bmp
echo 'bomb bomb.bmp' > bomb.txt
bounded 0 pics build bomb.txt bomb.dat
bounded 0 pics list bomb.dat --json
grep -q '"kind": "TBitmap", "width": 16384, "height": 4096, "bitCount": 8' out.txt \
  || fail "bomb listing: $(cat out.txt)"

# --- five such bitmaps in one picture file: the game decodes at most 256 MB of pixels from
# one file, so it takes the first, refuses the second and stays far below the 1.3 GB the
# five would take
for i in 1 2 3 4 5; do echo "bomb$i bomb.bmp"; done > bombs.txt
bounded 0 pics build bombs.txt bombs.dat
if [ -f "${VL_DATA_DIR:-}/snd/game.dat" ]; then # the match window reads its pictures after it
  mkdir -p game/pics game/snd
  cp bombs.dat game/pics/game.dat
  cp "$VL_DATA_DIR/snd/game.dat" game/snd/
  echo 'wait 100' > idle.txt
  /usr/bin/time -f '%M' -o rss.txt "${VL_BIN}/vlnedla-sim" --data game idle.txt > trace.txt \
    2> err.txt || fail "the simulator on the bombs: $(cat err.txt)"
  grep -q '"ev":"msgbox","caption":"Vlnedla","text":"Error reading .*: DIB is invalid."' trace.txt \
    || fail "the bombs: $(grep msgbox trace.txt)"
  kb=$(tail -n 1 rss.txt)
  [ "$kb" -le $((400 * 1024)) ] || fail "the game peaked at $kb KB on five picture bombs"
fi

# --- PPMs: samples above maxval, sizes past the limits ------------------------------------
printf 'P6\n2 1\n15\n\001\002\017\017\000\020' > over.ppm # 16 > 15
printf 'P6\n16384 4097\n255\n' > tall.ppm
printf 'P6\n16384 1\n255\n' > wide.ppm
head -c $((16384 * 3)) /dev/zero >> wide.ppm
printf 'over over.ppm\n' > over.txt
printf 'tall tall.ppm\n' > tall.txt
printf '# the widest picture\nwide wide.ppm\n' > wide.txt
bounded 1 pics build over.txt o.dat
grep -q 'over.txt:1: .*over.ppm: PPM sample 16 at pixel (1, 0) is above its maxval 15' err.txt \
  || fail "sample above maxval: $(cat err.txt)"
bounded 1 pics build tall.txt o.dat
grep -q 'tall.txt:1: .*tall.ppm: PPM size is out of range' err.txt || fail "tall: $(cat err.txt)"
bounded 0 pics build wide.txt wide.dat
"$tool" pics list wide.dat --json | grep -q '"width": 16384, "height": 1,' || fail "wide listing"

# --- names as given: blanks and quotes in manifests, backslashes in paths -----------------
printf 'P6\n1 1\n255\n\377\000\000' > 'red dot.ppm'
printf '"say \\"hi\\"" "red dot.ppm" transparent=0\n' > 'my pics.txt'
"$tool" pics build 'my pics.txt' 'out\x.dat'
[ -f 'out\x.dat' ] || fail "the output's name was not taken as given"
"$tool" pics list 'out\x.dat' --json | grep -q '"name": "say \\"hi\\"", "kind": "TDIB"' \
  || fail "quoted name: $("$tool" pics list 'out\x.dat' --json)"
{
  printf 'RIFF'; le32 40; printf 'WAVEfmt '; le32 16
  le16 1; le16 1; le32 8000; le32 8000; le16 1; le16 8; printf 'data'; le32 4; printf '\200\200\200\200'
} > 'soft beep.wav'
printf '"soft beep" "soft beep.wav" looped # a comment\n' > 'my bank.txt'
"$tool" bank build 'my bank.txt' 'snd\bank.dat' > /dev/null
"$tool" bank list 'snd\bank.dat' --json | grep -q '"name": "soft beep", "looped": true' \
  || fail "quoted bank name"
printf 'x "no end.ppm\n' > open.txt
bounded 1 pics build open.txt o.dat
grep -q 'open.txt:1: a quoted name has no closing quote' err.txt || fail "unclosed: $(cat err.txt)"

# --- outputs that cannot be written: the file and the reason -------------------------------
touch afile
bounded 1 pics build 'my pics.txt' afile/o.dat
[ "$(cat err.txt)" = 'vlnedla-assets: cannot write "afile/o.dat": Not a directory' ] \
  || fail "pics build: $(cat err.txt)"
bounded 1 pics extract 'out\x.dat' afile
[ "$(cat err.txt)" = 'vlnedla-assets: cannot make "afile": Not a directory' ] \
  || fail "pics extract folder: $(cat err.txt)"
mkdir -p dir/0.ppm
bounded 1 pics extract 'out\x.dat' dir
[ "$(cat err.txt)" = 'vlnedla-assets: cannot write "dir/0.ppm": Is a directory' ] \
  || fail "pics extract file: $(cat err.txt)"
bounded 1 bank build 'my bank.txt' afile/b.dat
[ "$(cat err.txt)" = 'vlnedla-assets: cannot write "afile/b.dat": Not a directory' ] \
  || fail "bank build: $(cat err.txt)"
echo "assets_hostile: ok"
