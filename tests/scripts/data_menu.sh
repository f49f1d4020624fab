#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the built menu speech bank data/snd/menu.dat: the seven items the menu plays, their
# formats and lengths, the speaker test's channel separation, even loudness and peak headroom.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

need_built_data snd/menu.dat
bank="$DATA/snd/menu.dat"
tool="$BIN/vlnedla-assets"

# --- the listing: one JSON object a line -------------------------------------------------------
"$tool" bank list "$bank" --json > "$work/list.json"
field() { # LINE KEY -> the value (strings without their quotes)
    sed -n "s/.*\"$2\": \"\{0,1\}\([^,\"}]*\)\"\{0,1\}[,}].*/\1/p" <<< "$1"
}
declare -A channels=() duration=()
names=()
rate=""
while IFS= read -r line; do
    [[ $line == *'"name"'* ]] || continue
    name=$(field "$line" name)
    names+=("$name")
    channels[$name]=$(field "$line" channels)
    duration[$name]=$(field "$line" durationMs)
    [[ $(field "$line" looped) == false ]] || fail "$name is looped; no menu sound loops"
    [[ $(field "$line" formatTag) == 1 && $(field "$line" bitsPerSample) == 16 ]] ||
        fail "$name is not 16-bit PCM: $line"
    r=$(field "$line" sampleRate)
    [[ -z $rate || $r == "$rate" ]] || fail "$name has rate $r, the others $rate"
    rate=$r
done < "$work/list.json"

# The menu's own words, then the duel's spoken messages.
speech=(mainmenusp startgameitemsp testspeakersitemsp soundsguideitemsp endgameitemsp endofgamesp
        netwaitsp netjoinedsp netleftsp netlostsp netversionsp)
# Every line of the menu's and the match's texts is an item.
expected=$(cat "$SRC/assets/lang/cs/menu.txt" "$SRC/assets/lang/cs/game.txt" | grep -c $'^[A-Za-z0-9_]*\t')
[[ ${#names[@]} -eq $expected ]] || fail "expected $expected items, got ${#names[@]}: ${names[*]}"
for name in "${speech[@]}" testspeakers; do
    [[ -n ${channels[$name]:-} ]] || fail "item $name is missing (have: ${names[*]})"
done
for name in "${speech[@]}"; do
    [[ ${channels[$name]} == 1 ]] || fail "$name should be mono"
    ((duration[$name] >= 200 && duration[$name] <= 4000)) ||
        fail "$name lasts ${duration[$name]} ms, outside 200 ms to 4 s"
done
[[ ${channels[testspeakers]} == 2 ]] || fail "testspeakers should be stereo"
((duration[testspeakers] >= 400 && duration[testspeakers] <= 6000)) ||
    fail "testspeakers lasts ${duration[testspeakers]} ms"

# --- the sounds themselves ---------------------------------------------------------------------
"$tool" bank extract "$bank" "$work/wav" > /dev/null
level() { # FILE "Pk lev dB"|"RMS lev dB" [sox effects...] -> first column
    local file=$1 what=$2
    shift 2
    sox "$file" -n "$@" stats 2>&1 | awk -v f="$what" 'index($0, f) == 1 { print $4; exit }'
}

# The speaker test: the left voice first, the right one second, each channel silent (digital
# zero, not just quiet) while the other speaks, and each word actually there.
ts="$work/wav/testspeakers.wav"
half=$(awk -v d="$(sox --info -D "$ts")" 'BEGIN { printf "%.4f", d / 2 }')
[[ $(level "$ts" "Pk lev dB" trim 0 "$half" remix 2) == -inf ]] ||
    fail "testspeakers: the right channel is not silent in the first half"
[[ $(level "$ts" "Pk lev dB" trim "$half" remix 1) == -inf ]] ||
    fail "testspeakers: the left channel is not silent in the second half"
for part in "0 $half remix 1" "$half remix 2"; do
    # shellcheck disable=SC2086 # the effect words are split on purpose
    pk=$(level "$ts" "Pk lev dB" trim $part)
    [[ $pk != -inf ]] && awk -v p="$pk" 'BEGIN { exit !(p > -20) }' ||
        fail "testspeakers: no voice in 'trim $part' (peak $pk dB)"
done

# Loudness: all spoken items within 2 dB RMS of each other; peaks at most -1 dBFS everywhere.
lo=1000 hi=-1000
for name in "${speech[@]}"; do
    rms=$(level "$work/wav/$name.wav" "RMS lev dB")
    lo=$(awk -v a="$lo" -v b="$rms" 'BEGIN { print (b < a ? b : a) }')
    hi=$(awk -v a="$hi" -v b="$rms" 'BEGIN { print (b > a ? b : a) }')
done
awk -v lo="$lo" -v hi="$hi" 'BEGIN { exit !(hi - lo <= 2) }' ||
    fail "speech levels spread from $lo to $hi dB RMS, more than 2 dB"
for name in "${speech[@]}" testspeakers; do
    pk=$(level "$work/wav/$name.wav" "Pk lev dB")
    awk -v p="$pk" 'BEGIN { exit !(p <= -1) }' || fail "$name peaks at $pk dBFS, above -1 dBFS"
done

echo "data_menu: ${#names[@]} items, speech levels $lo..$hi dB RMS at $rate Hz"
