# SPDX-License-Identifier: GPL-3.0-or-later
# pulse.sh: a PulseAudio server of the check's own, for the checks and measurements that run
# the real program against a real sound server. Nothing of the user's or the system's
# server is touched: the daemon has its own runtime folder and socket under $work/pulse,
# loads only the modules named here, and the program and the tools reach it through
# PULSE_SERVER. Source it after setting `work`; it provides
#   pulse_start [nosink]   starts the daemon with the null sink "vlnull" (none with nosink);
#                          exports PULSE_SERVER and PULSE_CLIENTCONFIG; exits 77 (skipped)
#                          when no daemon can be started here
#   pulse_restart [nosink] kills the daemon (as a crash would) and starts it again
#   pulse_load_sink        loads the null sink (again)
#   pulse_unload_sink      unloads it: the server then has no output at all
#   pulse_stop             ends the daemon (call it from the caller's EXIT trap)
# The daemon's log (debug level, with underruns) is $work/pulse/log.txt.
pulse_pid=""

pulse_start() {
    local dir="$work/pulse"
    mkdir -p "$dir/runtime" "$dir/home"
    chmod 700 "$dir/runtime"
    {
        echo "load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/runtime/native"
        [ "${1:-}" = nosink ] || echo "load-module module-null-sink sink_name=vlnull rate=48000 channels=2"
    } >"$dir/default.pa"
    # No client may start a daemon of its own (autospawn) when ours is not there.
    printf 'autospawn = no\n' >"$dir/client.conf"
    export PULSE_CLIENTCONFIG="$dir/client.conf"
    export PULSE_SERVER="unix:$dir/runtime/native"
    command -v pulseaudio >/dev/null || { echo "SKIPPED: pulseaudio is not installed"; exit 77; }
    HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" PULSE_RUNTIME_PATH="$dir/runtime" \
        pulseaudio -n -F "$dir/default.pa" --daemonize=no --exit-idle-time=-1 \
        --use-pid-file=no --disallow-module-loading=no --log-target="file:$dir/log.txt" \
        --log-level=debug --log-time=true --realtime=no --high-priority=no </dev/null >>"$dir/stdout.txt" 2>&1 &
    pulse_pid=$!
    for _ in $(seq 1 100); do
        pactl info >/dev/null 2>&1 && return 0
        kill -0 "$pulse_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "SKIPPED: the PulseAudio daemon did not start"
    cat "$dir/stdout.txt" 2>/dev/null || true
    exit 77
}

pulse_stop() {
    if [ -n "$pulse_pid" ]; then
        kill "$pulse_pid" 2>/dev/null || true
        wait "$pulse_pid" 2>/dev/null || true
        pulse_pid=""
    fi
}

pulse_restart() {
    if [ -n "$pulse_pid" ]; then
        kill -9 "$pulse_pid" 2>/dev/null || true
        wait "$pulse_pid" 2>/dev/null || true
        pulse_pid=""
    fi
    rm -f "$work/pulse/runtime/native"
    pulse_start "${1:-}"
}

pulse_load_sink() {
    pactl load-module module-null-sink sink_name=vlnull rate=48000 channels=2 >/dev/null
}

pulse_unload_sink() {
    pactl unload-module module-null-sink
}
