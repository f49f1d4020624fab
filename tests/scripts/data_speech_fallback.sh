#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The speech generator on a machine whose Festival has no Czech voice: it must fall back to
# espeak-ng by itself and still make every item; a malformed texts file must stop it with a
# message naming the line.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

script="$SRC/assets/lang/make_speech.sh"
command -v espeak-ng > /dev/null || fail "espeak-ng is not installed (scripts/setup.sh installs it)"

# A text2wave like Festival's without the voice: it complains and exits 0 without a file.
mkdir "$work/bin"
cat > "$work/bin/text2wave" << 'EOF'
#!/bin/sh
echo "SIOD ERROR: unbound variable : voice_czech_dita" >&2
exit 0
EOF
chmod +x "$work/bin/text2wave"
printf 'mainmenusp\tHlavní menu\ntestspeakers\tvlevo|vpravo\n' > "$work/texts.txt"

PATH="$work/bin:$PATH" bash "$script" "$work/texts.txt" "$work/out" 2> "$work/err"
grep -q "espeak-ng" "$work/err" || fail "no word of the fallback on stderr: $(cat "$work/err")"
grep -q "with espeak" "$work/out/manifest.txt" || fail "manifest does not name espeak"
[[ $(sox --info -c "$work/out/mainmenusp.wav") == 1 && $(sox --info -c "$work/out/testspeakers.wav") == 2 ]] ||
    fail "fallback items have the wrong channel counts"
[[ $(sox --info -r "$work/out/mainmenusp.wav") == "$(sox --info -r "$work/out/testspeakers.wav")" ]] ||
    fail "fallback items differ in rate"

# A line without its tab: a clear error naming file and line, no manifest.
printf '# comment\nmainmenusp Hlavní menu\n' > "$work/bad.txt"
if bash "$script" --engine espeak "$work/bad.txt" "$work/bad" 2> "$work/err"; then
    fail "a line without a tab was accepted"
fi
grep -q "bad.txt:2: expected NAME<TAB>TEXT" "$work/err" || fail "unclear error: $(cat "$work/err")"
[[ ! -e $work/bad/manifest.txt ]] || fail "a failed run left a manifest"
echo "data_speech_fallback: espeak-ng fallback and bad input checked"
