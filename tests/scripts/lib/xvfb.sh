# SPDX-License-Identifier: GPL-3.0-or-later
# xvfb.sh: shared by the checks that run the real program on a display of their own.
# Source it after setting `work` (a scratch folder); it provides
#   xvfb_start            Xvfb on a free display, DISPLAY exported; exits 77 (skipped) when
#                         no X client can connect to it
#   xvfb_find_window RE [any]  prints the first shown window (with `any`: shown or hidden)
#                         whose title matches RE, waiting up to 30 s while the program
#                         ($prog_pid) runs; nothing when none came
#   xvfb_stop             ends Xvfb (call it from the caller's EXIT trap)
xvfb_pid=""

xvfb_start() {
    # -displayfd: Xvfb picks a free number and tells it through a pipe. -noreset: by default
    # the server resets whenever its last client leaves, refusing connections meanwhile.
    exec 3<> <(:)
    Xvfb </dev/null -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
        >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local num
    read -r -t 20 num <&3 || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
    export DISPLAY=":$num"
    for _ in $(seq 1 100); do
        xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "SKIPPED: no X client can connect to Xvfb on this machine"
    exit 77
}

xvfb_find_window() {
    local win="" only=--onlyvisible
    [ "${2:-}" = any ] && only=""
    for _ in $(seq 1 300); do
        win=$(xdotool search $only --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$win" ] && break
        kill -0 "$prog_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "$win"
}

xvfb_stop() {
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
