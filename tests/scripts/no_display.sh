#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# no_display: the real program started where there is no display to reach ends at once
# with exit code 1 and says why, instead of running on in a window nobody can see.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

# A console with a graphics card could carry a real display of its own (KMS/DRM).
compgen -G "/dev/dri/card*" >/dev/null && skip "this machine has a graphics card that SDL could open"

rc=0
(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
  timeout 20 "$BIN/vlnedla") >"$work/out.txt" 2>&1 || rc=$?
if [ "$rc" -ne 1 ]; then
  echo "no_display: the program ended with $rc, not 1"; cat "$work/out.txt"; exit 1
fi
want='Application Error: Video cannot be initialized: no display is available (is DISPLAY set?)'
# That one line and nothing else: no library's noise about displays it could not reach.
if ! grep -qxF "$want" "$work/out.txt" || [ "$(wc -l <"$work/out.txt")" -ne 1 ]; then
  echo "no_display: the message is missing; the program said:"; cat "$work/out.txt"; exit 1
fi
echo "no_display: exit code 1 with the message"
