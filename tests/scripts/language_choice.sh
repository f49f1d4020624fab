#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# language_choice: how the language is chosen, seen from outside. An unknown --language is
# refused with exit 2 and the list; the help follows the option, the settings file and the
# locale (German gives English, C.UTF-8 Czech); a bad setting or locale and a language whose
# banks are missing fall back to Czech with one line on standard error.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
need_built_data lang/en/snd/game.dat

nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy "$BIN/vlnedla" "$@"; }
czech='Souboj dvou vlnedel'
english='A two-player hovercraft duel'

rc=0
nodisplay --language xx > "$work/out" 2> "$work/err" || rc=$?
[[ $rc -eq 2 ]] || fail "--language xx ended with $rc, not 2"
grep -q "unknown language 'xx' for --language: expected one of cs (Czech), en (English)" "$work/err" ||
    fail "--language xx: $(cat "$work/err")"

# The help: C.UTF-8 Czech, German English, the option before the locale, the settings file
# between them.
help_says() { # EXPECTED ARGS...
    local expected=$1 out
    shift
    out=$("$@") || fail "--help failed: $*"
    grep -q "$expected" <<< "$out" || fail "$*: not '$expected': $(head -2 <<< "$out")"
}
help_says "$czech" nodisplay --help
help_says "$english" env LANG=de_DE.UTF-8 "$BIN/vlnedla" --help
help_says "$english" env LANGUAGE=fr:en LANG=C "$BIN/vlnedla" --help
help_says "$czech" env LANG=en_US.UTF-8 "$BIN/vlnedla" --language cs --help
mkdir -p "$XDG_CONFIG_HOME/vlnedla"
echo "language = en" > "$XDG_CONFIG_HOME/vlnedla/settings.ini"
help_says "$english" nodisplay --help
help_says "$czech" env LANG=en_US.UTF-8 "$BIN/vlnedla" --language cs --help
echo "language = klingon" > "$XDG_CONFIG_HOME/vlnedla/settings.ini"
nodisplay --help > "$work/out" 2> "$work/err" || fail "--help with a bad setting failed"
grep -q "$czech" "$work/out" || fail "a bad setting did not give Czech"
[[ $(wc -l < "$work/err") -eq 1 ]] && grep -q "'klingon' (from the settings file) is not available; playing in Czech" "$work/err" ||
    fail "a bad setting: $(cat "$work/err")"
grep -q "language = klingon" "$XDG_CONFIG_HOME/vlnedla/settings.ini" || fail "the settings file was changed"
rm "$XDG_CONFIG_HOME/vlnedla/settings.ini"

# The simulator: German speaks English; without the English banks, Czech and one line.
printf 'wait 500\ndump\n' > "$work/script.txt"
LANG=de_DE.UTF-8 "$BIN/vlnedla-sim" --data "$DATA" "$work/script.txt" > "$work/trace" 2> "$work/err" ||
    fail "the simulator in German failed: $(cat "$work/err")"
grep -q '"ev":"dump".*"language":"en"' "$work/trace" || fail "German did not give English"
mkdir -p "$work/data"
cp -r "$DATA/snd" "$DATA/pics" "$work/data/"
"$BIN/vlnedla-sim" --language en --data "$work/data" "$work/script.txt" > "$work/trace" 2> "$work/err" ||
    fail "the simulator without English banks failed: $(cat "$work/err")"
[[ $(wc -l < "$work/err") -eq 1 ]] &&
    grep -q "'en' (from --language, its banks are missing) is not available; playing in Czech" "$work/err" ||
    fail "missing banks: $(cat "$work/err")"
grep -q '"ev":"dump"' "$work/trace" && ! grep -q '"language"' "$work/trace" ||
    fail "missing banks did not give Czech: $(cat "$work/trace")"
echo "language_choice: refusal, help by option, setting and locale, fallbacks checked"
