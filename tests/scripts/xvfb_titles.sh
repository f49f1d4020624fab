#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# xvfb_titles: every window of the real program carries its exact caption in both X11 title
# properties: _NET_WM_NAME in UTF-8, and the older WM_NAME as Latin-1 or compound text that
# decodes to the same caption (a tool reading only WM_NAME must not see "Pr?vodce zvuky").
# Checked while the windows are hidden, and again for the guide once the menu has shown it.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
prog_pid=""
at_exit '[ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null'
need_data snd/menu.dat
use_xvfb

(cd "$DATA" && SDL_AUDIODRIVER=dummy exec timeout 60 "$BIN/vlnedla") >"$work/prog.log" 2>&1 &
prog_pid=$!

failed=0
# Both titles of the window matching RE must be CAPTION, WM_NAME of the given TYPE. xprop
# decodes WM_NAME by its type in the locale's character set, so it runs in a UTF-8 locale.
check() {
    local re=$1 caption=$2 type=$3 win
    win=$(xvfb_find_window "$re" any)
    if [ -z "$win" ]; then
        echo "xvfb_titles: no window for \"$caption\""; cat "$work/prog.log"; exit 1
    fi
    local got
    got=$(LC_ALL=C.UTF-8 xprop -id "$win" WM_NAME _NET_WM_NAME)
    for line in "WM_NAME($type) = \"$caption\"" "_NET_WM_NAME(UTF8_STRING) = \"$caption\""; do
        if ! grep -qxF "$line" <<<"$got"; then
            echo "xvfb_titles: \"$caption\": want $line, xprop says:"; echo "$got"; failed=1
        fi
    done
}

check '^Hlavn.* menu$' "Hlavní menu" STRING
check '^Vlnedla$' "Vlnedla" STRING
check 'zvuky$' "Průvodce zvuky" COMPOUND_TEXT
# Mapping a window makes SDL write its titles again: show the guide (entry 4) and look again.
xdotool windowfocus --sync "$(xvfb_find_window '^Hlavn.* menu$')"
sleep 0.3
for key in Down Down Down Down Return; do
    xdotool key "$key"
    sleep 0.3
done
xdotool search --onlyvisible --name 'zvuky$' >/dev/null ||
    { echo "xvfb_titles: the guide was not shown"; exit 1; }
check 'zvuky$' "Průvodce zvuky" COMPOUND_TEXT
# Every window carries the game's 64-pixel icon for task bars (_NET_WM_ICON: width,
# height, then the pixels).
for re in '^Hlavn.* menu$' '^Vlnedla$' 'zvuky$'; do
    icon=$(xprop -id "$(xvfb_find_window "$re" any)" _NET_WM_ICON | head -c 200 || true)
    if ! grep -q '_NET_WM_ICON(CARDINAL) = 	Icon (64 x 64)\|_NET_WM_ICON(CARDINAL) = 64, 64' <<<"$icon"; then
        echo "xvfb_titles: window $re has no 64-pixel icon: $icon"; failed=1
    fi
done
[ "$failed" -eq 0 ] || exit 1
echo "xvfb_titles: WM_NAME and _NET_WM_NAME exact for all three windows, each with its icon"
