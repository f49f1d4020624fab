#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Synthesises a language's spoken items into WAV files and writes their bank manifest.
#
# usage: make_speech.sh [--engine auto|festival|espeak] [--voice FILE] [--stretch F] [--lead S]
#                       [--tail S] TEXTS OUTDIR
#
# TEXTS holds one item a line, NAME<TAB>TEXT in UTF-8 ('#' lines and blank lines are skipped);
# TEXT "LEFT|RIGHT" makes a stereo item (LEFT in the left channel only, a pause, RIGHT in the
# right channel only). OUTDIR receives NAME.wav for every item and, written last so that a build
# can depend on it, manifest.txt for 'vlnedla-assets bank build'.
#
# The voice is the language's Festival voice when it works here, else espeak-ng's voice of the
# language; 'auto' (the default) probes Festival once and falls back without failing. --voice
# names a language's voice.txt (lines KEY<TAB>VALUE: 'festival' the voice's function, 'charset'
# the encoding Festival reads, 'espeak' espeak-ng's voice, 'stretch' either 'festival' for
# Festival's Duration_Stretch or 'tempo' for a voice that ignores it, whose words sox then
# speeds up with their pitch unchanged); without it the voice is Czech. Every word
# is trimmed of leading and trailing silence, brought to one RMS level, limited so that no
# peak exceeds -1 dBFS, and stored as 16-bit PCM at one sample rate, so the menu sounds even
# whichever voice spoke it.
#
# --stretch F speaks F times as long (Festival's Duration_Stretch, espeak-ng's rate), the pitch
# unchanged: the match's number words use 0.7, since a spoken counter holds the whole match.
# --lead S and --tail S are the silence kept before and after each word (default 0.02 and
# 0.04 s); the match's words start almost at once (--lead 0.002). Every word fades in over
# 1 ms and out over 15 ms, so neither end clicks.
#
# Sections: settings - helpers - voice choice - one spoken word - items - manifest
set -euo pipefail

# --- settings ---------------------------------------------------------------------------------
readonly RATE=22050          # every item at this rate: the mixer need not resample the menu
readonly TARGET_RMS_DB=-20   # common loudness; speech peaks sit 12-17 dB above it
readonly PEAK_HEADROOM_DB=1.1 # peaks end at least this far below full scale (under -1 dBFS)
readonly STEREO_PAUSE=0.4    # seconds between the left and the right word of a stereo item
readonly MIN_SECONDS=0.15    # a trimmed word shorter than this means the voice said nothing

die() {
    echo "make_speech.sh: $*" >&2
    exit 1
}

engine=auto
voice_file=
stretch=1
lead=0.02
tail=0.04
while [[ ${1:-} == --* ]]; do
    [[ $# -ge 2 ]] || die "$1 needs a value"
    case $1 in
    --engine) engine=$2 ;;
    --voice) voice_file=$2 ;;
    --stretch) stretch=$2 ;;
    --lead) lead=$2 ;;
    --tail) tail=$2 ;;
    *) die "unknown option '$1'" ;;
    esac
    shift 2
done
[[ $# -eq 2 ]] || die "usage: make_speech.sh [--engine E] [--voice FILE] [--stretch F] [--lead S] [--tail S] TEXTS OUTDIR"
texts=$1
outdir=$2
case $engine in auto | festival | espeak) ;; *) die "unknown engine '$engine'" ;; esac
for value in "$stretch" "$lead" "$tail"; do
    [[ $value =~ ^[0-9]+(\.[0-9]+)?$ ]] || die "'$value' is not a number of the form 0.5"
done
[[ -r $texts ]] || die "cannot read the texts file '$texts'"
command -v sox > /dev/null || die "sox is missing (Debian package sox)"

# The voice: Czech unless a voice file names another.
festival_voice=voice_czech_dita
festival_charset=ISO-8859-2
espeak_voice=cs
stretch_by=festival
if [[ -n $voice_file ]]; then
    [[ -r $voice_file ]] || die "cannot read the voice file '$voice_file'"
    while IFS=$'\t' read -r key value || [[ -n $key ]]; do
        key=${key%$'\r'}
        value=${value%$'\r'}
        [[ -z $key || $key == \#* ]] && continue
        case $key in
        festival) festival_voice=$value ;;
        charset) festival_charset=$value ;;
        espeak) espeak_voice=$value ;;
        stretch) stretch_by=$value ;;
        *) die "$voice_file: unknown key '$key'" ;;
        esac
    done < "$voice_file"
    [[ $festival_voice =~ ^[A-Za-z0-9_]+$ ]] || die "$voice_file: bad Festival voice '$festival_voice'"
    [[ $stretch_by == festival || $stretch_by == tempo ]] ||
        die "$voice_file: stretch is 'festival' or 'tempo', not '$stretch_by'"
fi

mkdir -p "$outdir"
work=$(mktemp -d "$outdir/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT

# --- helpers ----------------------------------------------------------------------------------

# A level line of 'sox FILE -n stats' ("RMS lev dB", "Pk lev dB"): prints its first column,
# which is the value over all channels.
stat_of() {
    local file=$1 field=$2
    sox "$file" -n stats 2>&1 | awk -v f="$field" 'index($0, f) == 1 { print $4; exit }'
}

# Duration in seconds of a sound file.
seconds_of() { sox --info -D "$1"; }

# --- voice choice -----------------------------------------------------------------------------

# Festival says "SIOD ERROR" and still exits 0 when a voice is missing, so the only sure test
# is whether a wave with samples comes out.
festival_speak() { # TEXT OUT.wav
    local text=$1 out=$2
    printf '%s\n' "$text" | iconv -f UTF-8 -t "$festival_charset" > "$out.txt" ||
        die "the text '$text' cannot be written in $festival_charset for Festival"
    rm -f "$out"
    local duration=$stretch
    [[ $stretch_by == festival ]] || duration=1
    text2wave -eval "($festival_voice)" -eval "(Parameter.set 'Duration_Stretch $duration)" \
        "$out.txt" -o "$out" > /dev/null 2>&1 || true
    [[ -s $out ]] && [[ $(sox --info -s "$out" 2> /dev/null || echo 0) -gt 0 ]]
}

espeak_speak() { # TEXT OUT.wav
    local text=$1 out=$2
    rm -f "$out"
    local speed
    speed=$(awk -v s="$stretch" 'BEGIN { printf "%d", 175 / s }') # 175 words a minute at 1
    espeak-ng -v "$espeak_voice" -s "$speed" -w "$out" -- "$text" > /dev/null 2>&1 || return 1
    [[ -s $out ]]
}

if [[ $engine == auto ]]; then
    if command -v text2wave > /dev/null && festival_speak "test" "$work/probe.wav"; then
        engine=festival
    else
        engine=espeak
        echo "make_speech.sh: Festival's voice $festival_voice is not usable here; speaking with espeak-ng" >&2
    fi
fi
if [[ $engine == espeak ]]; then
    command -v espeak-ng > /dev/null || die "neither Festival's voice $festival_voice nor espeak-ng is installed"
fi

# --- one spoken word --------------------------------------------------------------------------

# The cache of finished words: a word is spoken again only when its text, the voice, an option
# or this script changed. Builds of one machine share it (VLNEDLA_SPEECH_CACHE, else the user's
# cache folder; 'off' keeps none); a word enters it through a rename, so parallel builds agree.
cache=${VLNEDLA_SPEECH_CACHE:-${XDG_CACHE_HOME:-${HOME:-/nonexistent}/.cache}/vlnedla/speech}
script_hash=$(sha256sum "${BASH_SOURCE[0]}" | cut -c1-16)
if [[ $cache != off ]] && ! mkdir -p "$cache" 2> /dev/null; then cache=off; fi

# Speaks TEXT into OUT.wav as a finished mono word, from the cache when it holds the word.
speak() { # TEXT OUT.wav
    local text=$1 out=$2 key
    if [[ $cache != off ]]; then
        key=$(printf '%s|' "$script_hash" "$engine" "$festival_voice" "$festival_charset" \
            "$espeak_voice" "$stretch_by" "$stretch" "$lead" "$tail" "$text" | sha256sum | cut -c1-32)
        if [[ -s $cache/$key.wav ]]; then
            cp "$cache/$key.wav" "$out"
            return
        fi
    fi
    speak_anew "$text" "$out"
    if [[ $cache != off ]]; then
        cp "$out" "$cache/.$key.$$.$BASHPID" && mv -f "$cache/.$key.$$.$BASHPID" "$cache/$key.wav" ||
            true
    fi
}

# Speaks TEXT into OUT.wav as a finished mono word: trimmed, at the common level, limited.
speak_anew() { # TEXT OUT.wav
    local text=$1 out=$2 own
    own=$(mktemp -d "$work/word.XXXXXX")
    local raw="$own/raw.wav" trimmed="$own/trimmed.wav"
    if [[ $engine == festival ]]; then
        festival_speak "$text" "$raw" || die "Festival produced no sound for '$text'"
        if [[ $stretch_by == tempo && $stretch != 1 ]]; then
            local factor
            factor=$(awk -v s="$stretch" 'BEGIN { printf "%.4f", 1 / s }')
            sox -D "$raw" "$own/tempo.wav" tempo -s "$factor"
            mv -f "$own/tempo.wav" "$raw"
        fi
    else
        espeak_speak "$text" "$raw" || die "espeak-ng produced no sound for '$text'"
    fi
    # Silence is cut from both ends (the second pass works on the reversed sound); the short
    # fades and pads keep the first consonant's attack and the last word's decay from
    # sounding clipped.
    sox -D "$raw" -b 16 -c 1 "$own/cut.wav" silence 1 0.02 -50d reverse silence 1 0.02 -50d \
        reverse gain -3 rate -v "$RATE" # headroom for the resampler; the level is set below
    sox -D "$own/cut.wav" "$trimmed" fade h 0.001 -0 0.015 pad "$lead" "$tail"
    local length
    length=$(seconds_of "$trimmed")
    awk -v l="$length" -v m="$MIN_SECONDS" -v s="$stretch" 'BEGIN { exit !(l >= m * s) }' ||
        die "the voice said almost nothing for '$text' (${length}s after trimming)"
    local rms peak gain
    rms=$(stat_of "$trimmed" "RMS lev dB")
    peak=$(stat_of "$trimmed" "Pk lev dB")
    [[ $rms =~ ^-?[0-9.]+$ && $peak =~ ^-?[0-9.]+$ ]] ||
        die "cannot measure the level of '$text' (sox said '$rms', '$peak')"
    gain=$(awk -v t="$TARGET_RMS_DB" -v r="$rms" 'BEGIN { printf "%.3f", t - r }')
    if awk -v p="$peak" -v g="$gain" -v h="$PEAK_HEADROOM_DB" 'BEGIN { exit !(p + g <= -h) }'; then
        sox -D "$trimmed" -b 16 "$out" gain "$gain"
    else
        # Only a word whose peaks would pass the limit goes through the limiter: 'gain -l'
        # limits at full scale instead of clipping (it presses the loudest syllables a little
        # below the plain gain), and the second gain then leaves the headroom. The gain here
        # is always positive, the one case in which sox's limiter works as named.
        local boost
        boost=$(awk -v g="$gain" -v h="$PEAK_HEADROOM_DB" 'BEGIN { printf "%.3f", g + h }')
        sox -D "$trimmed" -b 16 "$out" gain -l "$boost" gain "-$PEAK_HEADROOM_DB"
    fi
    peak=$(stat_of "$out" "Pk lev dB")
    awk -v p="$peak" 'BEGIN { exit !(p <= -1) }' ||
        die "'$text' still peaks at $peak dBFS after limiting"
}

# --- items ------------------------------------------------------------------------------------

# Makes the item NAME from TEXT as $work/NAME.wav.
make_item() { # NAME TEXT
    local name=$1 text=$2 own
    if [[ $text == *'|'* ]]; then
        own=$(mktemp -d "$work/item.XXXXXX")
        local left_text=${text%%|*} right_text=${text#*|}
        speak "$left_text" "$own/left.wav"
        speak "$right_text" "$own/right.wav"
        # Both words are padded to the longer one's length, so the middle of the item falls in
        # the pause: its first half is silent on the right, its second half on the left.
        local left_len right_len longest pad_left pad_right
        left_len=$(seconds_of "$own/left.wav")
        right_len=$(seconds_of "$own/right.wav")
        longest=$(awk -v a="$left_len" -v b="$right_len" 'BEGIN { print (a > b ? a : b) }')
        pad_left=$(awk -v l="$longest" -v a="$left_len" 'BEGIN { printf "%.6f", l - a }')
        pad_right=$(awk -v l="$longest" -v b="$right_len" 'BEGIN { printf "%.6f", l - b }')
        # remix "1 0": the word in one channel, digital zeros in the other (-D: no dither noise).
        sox -D "$own/left.wav" -c 2 "$own/L.wav" remix 1 0 pad 0 "$pad_left"
        sox -D "$own/right.wav" -c 2 "$own/R.wav" remix 0 1 pad 0 "$pad_right"
        sox -D -n -r "$RATE" -c 2 -b 16 "$own/pause.wav" trim 0 "$STEREO_PAUSE"
        sox -D "$own/L.wav" "$own/pause.wav" "$own/R.wav" "$work/$name.wav"
    else
        speak "$text" "$work/$name.wav"
    fi
}

names=()
item_texts=()
declare -A seen=()
lineno=0
while IFS= read -r line || [[ -n $line ]]; do
    lineno=$((lineno + 1))
    line=${line%$'\r'}
    [[ -z ${line//[[:space:]]/} || $line == \#* ]] && continue
    [[ $line == *$'\t'* ]] || die "$texts:$lineno: expected NAME<TAB>TEXT"
    name=${line%%$'\t'*}
    text=${line#*$'\t'}
    [[ $name =~ ^[A-Za-z0-9_]+$ ]] || die "$texts:$lineno: bad item name '$name'"
    [[ -n $text ]] || die "$texts:$lineno: item '$name' has no text"
    [[ -z ${seen[$name]:-} ]] || die "$texts:$lineno: item '$name' is listed twice"
    seen[$name]=1
    if [[ $text == *'|'* ]]; then
        left_text=${text%%|*}
        right_text=${text#*|}
        [[ -n $left_text && -n $right_text && $right_text != *'|'* ]] ||
            die "$texts:$lineno: a stereo item is LEFT|RIGHT"
    fi
    names+=("$name")
    item_texts+=("$text")
done < "$texts"
((${#names[@]})) || die "$texts holds no items"

# The items are spoken side by side, one job a processor (bash keeps each job's status).
jobs_max=$(nproc 2> /dev/null || echo 2)
pids=()
for i in "${!names[@]}"; do
    while (($(jobs -rp | wc -l) >= jobs_max)); do wait -n || true; done
    make_item "${names[i]}" "${item_texts[i]}" &
    pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
((failed == 0)) || die "some items of $texts could not be spoken (see above)"

# --- manifest ---------------------------------------------------------------------------------

# One playing at a time per item: an announcement asked for again restarts instead of doubling.
{
    echo "# made by make_speech.sh from $(basename "$texts") with $engine"
    for name in "${names[@]}"; do echo "$name $name.wav max=1"; done
} > "$work/manifest.txt"
for name in "${names[@]}"; do mv -f "$work/$name.wav" "$outdir/$name.wav"; done
mv -f "$work/manifest.txt" "$outdir/manifest.txt"
echo "make_speech.sh: ${#names[@]} items spoken with $engine into $outdir"
