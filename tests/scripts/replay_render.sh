#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# replay_render: a match played in the simulator and kept, rendered by the real program with
# no display and no sound device: the WAV is the simulator's --wav of the match's span (from
# the match window's showing to its hiding) byte for byte; the Opus file lasts exactly as
# long. Files named relative to where the user started (the launcher's VLNEDLA_CALLER_DIR),
# an OUT that cannot be written and a refused replay: exit 2, a message and no file.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
need_data snd/menu.dat snd/game.dat pics/game.dat

printf 'wait 1800\npress ENTER\nawait Form1\ndown E\ndown SPACE\nwait 3000\nup SPACE\nup E\npress X
down C\ndown UP\nwait 3000\npress ESCAPE\nwait 1000\n' >"$work/match.txt"
"$BIN/vlnedla-sim" --data "$DATA" --record "$work/kept" --wav "$work/sim.wav" "$work/match.txt" \
    >"$work/trace.txt" 2>"$work/sim.log" || fail "the simulator failed"
shown=$(sed -n 's/^{"t":\([0-9]*\),"ev":"show","window":"Form1"}$/\1/p' "$work/trace.txt")
hidden=$(sed -n 's/^{"t":\([0-9]*\),"ev":"hide","window":"Form1"}$/\1/p' "$work/trace.txt")
[[ -n $shown && -n $hidden ]] || fail "no match in the trace"

render() { # OUT [EXTRA ENV...]: renders kept/1.vlr as kept/OUT from the data folder
    local out=$1
    shift
    (cd "$DATA" && env -u DISPLAY -u WAYLAND_DISPLAY VLNEDLA_CALLER_DIR="$work" "$@" \
        "$BIN/vlnedla" --replay kept/1.vlr --render "kept/$out") >"$work/render.log" 2>&1
}
render match.wav || fail "the render failed: $(cat "$work/render.log")"
span=$(((hidden - shown) * 48 * 4))
[[ $(stat -c %s "$work/kept/match.wav") -eq $((44 + span)) ]] ||
    fail "the WAV holds $(stat -c %s "$work/kept/match.wav") bytes, not 44 + $span"
cmp -s -n "$span" -i "$((44 + shown * 48 * 4)):44" "$work/sim.wav" "$work/kept/match.wav" ||
    fail "the render is not the simulator's sound of the match"

render match.opus || fail "the Opus render failed: $(cat "$work/render.log")"
[[ $(head -c 36 "$work/kept/match.opus" | tail -c 8) == OpusHead ]] || fail "not an Ogg Opus file"
# The last page's granule position: the pre-skip and every frame of the span.
last=$(grep -boa OggS "$work/kept/match.opus" | tail -1 | cut -d: -f1)
granule=$(od -An -tu8 -j $((last + 6)) -N8 "$work/kept/match.opus" | tr -d ' ')
preskip=$(od -An -tu2 -j 38 -N2 "$work/kept/match.opus" | tr -d ' ')
[[ $granule -eq $((preskip + (hidden - shown) * 48)) ]] ||
    fail "the Opus file ends at $granule, not $preskip + $(((hidden - shown) * 48))"

rc=0
render nowhere/x.wav || rc=$?
[[ $rc -eq 2 ]] && grep -q "Cannot create file \"$work/kept/nowhere/x.wav\"" "$work/render.log" ||
    fail "an OUT that cannot be written: $rc, $(cat "$work/render.log")"
cp "$work/match.txt" "$work/kept/1.vlr"
rc=0
render bad.wav || rc=$?
[[ $rc -eq 2 && ! -e $work/kept/bad.wav ]] &&
    grep -q "Cannot play the replay $work/kept/1.vlr: it is not a replay of this game" \
        "$work/render.log" || fail "a refused replay: $rc, $(cat "$work/render.log")"
[[ -z $(find "$work/kept" -name '*.partial') ]] || fail "a temporary file was left behind"
echo "replay_render: OK"
