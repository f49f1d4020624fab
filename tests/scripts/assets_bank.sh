#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end check of the data tool's bank commands: build a bank from sox-made WAVs,
# list it as JSON, extract it and build it again byte for byte; then the failures
# (truncated bank, bad manifest line, missing files) and the help texts.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

tool="$BIN/vlnedla-assets"
cd "$work"

# --- sources: three formats, a comment, a blank line ------------------------------------
mkdir src
sox -n -r 22050 -c 1 -b 16 src/gun.wav synth 0.2 sine 440
sox -n -r 44100 -c 2 -b 16 src/navig.wav synth 0.1 sine 880
sox -n -r 11025 -c 1 -b 8 src/hit.wav synth 0.4 square 200
cat > src/bank.txt <<'EOF'
# the test bank
gun gun.wav max=2

navig1 navig.wav looped   # a loop
Hit hit.wav max=-1
EOF

"$tool" bank build src/bank.txt bank.dat > /dev/null
"$tool" bank list bank.dat --json > list.json
/usr/bin/python3 - list.json <<'EOF'
import json, sys
items = json.load(open(sys.argv[1]))
keys = ["index", "name", "looped", "maxPlayingCount", "formatTag", "channels", "sampleRate",
        "bitsPerSample", "sampleBytes", "durationMs"]
assert [list(i.keys()) for i in items] == [keys] * 3, items
want = [
    dict(index=0, name="gun", looped=False, maxPlayingCount=2, formatTag=1, channels=1,
         sampleRate=22050, bitsPerSample=16, sampleBytes=8820, durationMs=200),
    dict(index=1, name="navig1", looped=True, maxPlayingCount=0, formatTag=1, channels=2,
         sampleRate=44100, bitsPerSample=16, sampleBytes=17640, durationMs=100),
    dict(index=2, name="Hit", looped=False, maxPlayingCount=0, formatTag=1, channels=1,
         sampleRate=11025, bitsPerSample=8, sampleBytes=4410, durationMs=400),
]
for got, exp in zip(items, want):
    for k, v in exp.items():
        assert got[k] == v, (k, got, exp)
EOF

# The readable table names every item too.
"$tool" bank list bank.dat | grep "navig1" > /dev/null || fail "table lacks navig1"

# --- extract and build again: the same bytes ---------------------------------------------
"$tool" bank extract bank.dat out > /dev/null
for n in gun navig1 Hit; do [ -s "out/$n.wav" ] || fail "out/$n.wav missing"; done
[ "$(sox --i -r out/gun.wav)" = 22050 ] || fail "extracted gun.wav is not a 22050 Hz WAV"
cat > out/bank.txt <<'EOF'
gun gun.wav max=2
navig1 navig1.wav looped
Hit Hit.wav max=-1
EOF
"$tool" bank build out/bank.txt again.dat > /dev/null
cmp -s bank.dat again.dat || fail "rebuilt bank differs"

# --- a truncated bank: the items before the cut, the message last, exit 1 -------------------
size=$(stat -c %s bank.dat)
head -c $((size - 3000)) bank.dat > cut.dat
set +e
"$tool" bank list cut.dat --json > cut.json 2> cut.err
rc=$?
set -e
[ "$rc" = 1 ] || fail "truncated bank: exit $rc"
/usr/bin/python3 -c 'import json,sys; n=[i["name"] for i in json.load(open(sys.argv[1]))]; assert n == ["gun", "navig1", "Hit"], n' cut.json
last=$(tail -n 1 cut.err)
[ "$last" = "Error reading TWaveCollectionComponent.List: Error reading TWaveCollectionItem.Wave.WAVE: Stream read error" ] \
  || fail "truncated bank: last stderr line '$last'"

# --- bad input gets a clear message and exit 1 ----------------------------------------------
printf 'gun gun.wav loud\n' > src/bad.txt
set +e
"$tool" bank build src/bad.txt x.dat 2> bad.err; rc=$?
"$tool" bank build src/missing.txt x.dat 2> missing.err; rc2=$?
printf 'gun nothere.wav\n' > src/nowav.txt
"$tool" bank build src/nowav.txt x.dat 2> nowav.err; rc3=$?
"$tool" bank list nothere.dat 2> nofile.err > /dev/null; rc4=$?
set -e
[ "$rc" = 1 ] && grep -q "src/bad.txt:1: unknown option 'loud'" bad.err || fail "bad manifest line: $(cat bad.err)"
[ "$rc2" = 1 ] && grep -q 'Cannot open file ".*missing.txt"' missing.err || fail "missing manifest: $(cat missing.err)"
[ "$rc3" = 1 ] && grep -q 'src/nowav.txt:1: .*nothere.wav: Cannot open file' nowav.err || fail "missing wav: $(cat nowav.err)"
[ "$rc4" = 1 ] && grep -q 'Cannot open file ".*nothere.dat"' nofile.err || fail "missing bank: $(cat nofile.err)"
[ ! -e x.dat ] || fail "a failed build wrote its output"

for cmd in "" "bank" "bank list" "bank build" "bank extract"; do
  # shellcheck disable=SC2086
  "$tool" $cmd --help | grep "usage: vlnedla-assets" > /dev/null || fail "--help of '$cmd'"
done
echo "assets_bank: all checks passed"
