# SPDX-License-Identifier: GPL-3.0-or-later
# common.sh: the preamble every check script shares. Source it first thing:
#   source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
# It gives
#   check           the script's name, which starts every message
#   here            the scripts' folder; BIN, DATA, SRC: the built programs, the generated
#                   data (may be empty) and the source tree
#   work            a scratch folder, removed at exit; the user's settings and data folders
#                   (XDG_CONFIG_HOME, XDG_DATA_HOME) point inside it, never at the machine's;
#                   the locale is C.UTF-8 (the game in Czech) unless a check chooses
#   fail MSG        "CHECK: MSG", then every *.log in $work, and exit 1
#   skip MSG        "CHECK: SKIPPED: MSG" and exit 77 (the test counts as skipped)
#   need_data F...  skips unless each generated data file F (snd/menu.dat, ...) exists
#   need_built_data F  fails unless the build made data file F (skips a build that makes
#                   no data at all: VLNEDLA_DATA=OFF)
#   at_exit CMD     runs CMD at exit, before $work goes (the last added first)
#   kill_at_exit PID  ends that process at exit
#   use_xvfb        sources xvfb.sh and starts a display of the check's own
#   use_pulse       sources pulse.sh (its daemon is ended at exit)
# and sets the leak checker's suppressions for the system's libraries.
set -euo pipefail

check=$(basename "$0" .sh)
here="$(cd "$(dirname "$0")" && pwd)"
BIN=${VL_BIN:-}
DATA=${VL_DATA_DIR:-}
SRC=${VL_SOURCE_DIR:-$(cd "$here/../.." && pwd)}
work=$(mktemp -d "${TMPDIR:-/tmp}/vl-$check.XXXXXX")
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/share"
unset LANGUAGE LC_ALL LC_MESSAGES
export LANG=C.UTF-8
export LSAN_OPTIONS="suppressions=$here/system-libraries.lsan${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

_vl_exit_cmds=()
at_exit() { _vl_exit_cmds=("$*" "${_vl_exit_cmds[@]}"); }
kill_at_exit() { at_exit "kill $1 2>/dev/null || true"; }
_vl_cleanup() {
    local cmd
    for cmd in "${_vl_exit_cmds[@]}"; do eval "$cmd" || true; done
    rm -rf "$work"
}
trap _vl_cleanup EXIT

fail() {
    echo "$check: $*"
    local log
    for log in "$work"/*.log; do
        [ -f "$log" ] || continue
        echo "--- ${log##*/}:"
        cat "$log"
    done
    exit 1
}
skip() {
    echo "$check: SKIPPED: $*"
    exit 77
}
need_data() {
    local f
    for f in "$@"; do
        [ -n "$DATA" ] && [ -f "$DATA/$f" ] || skip "no generated $f"
    done
}
need_built_data() {
    local f="$DATA/$1"
    if [[ ! -e $f ]] && grep -q '^VLNEDLA_DATA:BOOL=OFF' "${VL_BINARY_DIR:-}/CMakeCache.txt" 2>/dev/null; then
        skip "this build makes no data (VLNEDLA_DATA=OFF)"
    fi
    [[ -s $f ]] || fail "$f is missing; the build should have made it"
}
use_xvfb() {
    source "$here/lib/xvfb.sh"
    at_exit xvfb_stop
    xvfb_start
}
use_pulse() {
    source "$here/lib/pulse.sh"
    at_exit pulse_stop
}
