#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the match's and the guide's banks together from the synthesised sounds and the speech.
#
# usage: make_banks.sh SYNTH GAMESPEECH GUIDESPEECH MENUSPEECH OUTDIR
#
# SYNTH is makesounds' folder (manifest.txt, and guide/clips.txt with each guide entry's
# sound), GAMESPEECH, GUIDESPEECH and MENUSPEECH are make_speech.sh folders. Writes
#   OUTDIR/menu/manifest.txt   the menu's words, then the match's (the menus speak numbers with
#                              the match's number words), for snd/menu.dat
#   OUTDIR/game/manifest.txt   every synthesised item and every spoken word, for snd/game.dat
#   OUTDIR/guide/NAME.wav      each guide item: its words, a short pause, then its sound
#   OUTDIR/guide/manifest.txt  the guide's items in the order of its speech texts
# Each manifest is written last, through a rename, so a build never sees one before its sounds.
#
# Guide items are 48 kHz 16-bit, stereo when the entry's sound is on one player's side (the
# words then sound in both channels), mono otherwise. Both parts come at their banks' own
# levels, so the guide is as loud as the menu and the match.
set -euo pipefail

readonly RATE=48000   # the synthesised sounds' rate
readonly PAUSE=0.35   # seconds between an entry's words and its sound

die() {
    echo "make_banks.sh: $*" >&2
    exit 1
}

[[ $# -eq 5 ]] || die "usage: make_banks.sh SYNTH GAMESPEECH GUIDESPEECH MENUSPEECH OUTDIR"
synth=$(realpath "$1")
game_speech=$(realpath "$2")
guide_speech=$(realpath "$3")
menu_speech=$(realpath "$4")
out=$5
for f in "$synth/manifest.txt" "$synth/guide/clips.txt" "$game_speech/manifest.txt" \
    "$guide_speech/manifest.txt" "$menu_speech/manifest.txt"; do
    [[ -r $f ]] || die "cannot read $f"
done
mkdir -p "$out/menu" "$out/game" "$out/guide"
out=$(realpath "$out")

# Manifest lines (NAME FILE [options]) of MANIFEST, the file made relative to the folder DIR.
relocate() { # MANIFEST DIR
    local from rel
    from=$(dirname "$1")
    rel=$(realpath --relative-to="$2" "$from")
    awk -v rel="$rel" '!/^[[:space:]]*(#|$)/ { $2 = rel "/" $2; print }' "$1"
}

# --- the menu -------------------------------------------------------------------------------------
{
    echo "# made by make_banks.sh: the menu's words, then the match's"
    relocate "$menu_speech/manifest.txt" "$out/menu"
    relocate "$game_speech/manifest.txt" "$out/menu"
} > "$out/menu/manifest.txt.tmp"
mv -f "$out/menu/manifest.txt.tmp" "$out/menu/manifest.txt"

# --- the match ---------------------------------------------------------------------------------
{
    echo "# made by make_banks.sh: the synthesised sounds, then the spoken words"
    relocate "$synth/manifest.txt" "$out/game"
    relocate "$game_speech/manifest.txt" "$out/game"
} > "$out/game/manifest.txt.tmp"
mv -f "$out/game/manifest.txt.tmp" "$out/game/manifest.txt"

# --- the guide ---------------------------------------------------------------------------------
declare -A clip=()
while read -r item file; do
    [[ -z $item || $item == \#* ]] && continue
    clip[$item]=$synth/guide/$file
done < "$synth/guide/clips.txt"

work=$(mktemp -d "$out/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT
manifest="# made by make_banks.sh: each entry's words, then its sound as the match plays it"
count=0
while read -r name file _; do
    [[ -z $name || $name == \#* ]] && continue
    words=$guide_speech/$file
    target=$out/guide/$name.wav
    if [[ -n ${clip[$name]:-} ]]; then
        channels=$(sox --info -c "${clip[$name]}")
        sox -D "$words" -r "$RATE" -c "$channels" "$work/words.wav" rate -v "$RATE"
        sox -D -n -r "$RATE" -c "$channels" -b 16 "$work/pause.wav" trim 0 "$PAUSE"
        sox -D "$work/words.wav" "$work/pause.wav" "${clip[$name]}" -b 16 "$target"
        unset "clip[$name]"
    else
        sox -D "$words" -r "$RATE" -b 16 "$target" rate -v "$RATE"
    fi
    manifest+=$'\n'"$name $name.wav max=1"
    count=$((count + 1))
done < "$guide_speech/manifest.txt"
((${#clip[@]} == 0)) || die "sounds without words in the guide: ${!clip[*]}"
printf '%s\n' "$manifest" > "$out/guide/manifest.txt.tmp"
mv -f "$out/guide/manifest.txt.tmp" "$out/guide/manifest.txt"
echo "make_banks.sh: game manifest and $count guide items in $out"
