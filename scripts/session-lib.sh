# Shared by the with-*.sh scripts, which source it: a private X server, and the end of a
# private desktop session.

# Starts Xvfb on a display it picks itself: it writes the number into the file once it listens,
# so sessions started side by side never share one. Exports DISPLAY and adds the server to pids.
start_xvfb() {
    local numberfile=$1 number=
    # The file is there before the server starts, so that reading it never races its creation.
    : >"$numberfile"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$numberfile" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 600); do
        number=$(tr -dc 0-9 <"$numberfile")
        [ -n "$number" ] && break
        kill -0 "${pids[-1]}" 2>/dev/null || break
        sleep 0.05
    done
    [ -n "$number" ] || { echo "$(basename "$0"): Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$number"
}

# Stops every process that runs with this home: what the session started and what its bus and
# its programs started in turn (helpers, file workers), which would otherwise outlive it and
# keep writing into the home. Waits until they are gone.
stop_processes_with_home() {
    local home=$1 found pid
    for attempt in $(seq 100); do
        found=()
        for environ in /proc/[0-9]*/environ; do
            pid=${environ#/proc/}
            pid=${pid%/environ}
            [ "$pid" = "$$" ] && continue
            grep -qzxF "HOME=$home" "$environ" 2>/dev/null && found+=("$pid")
        done
        [ ${#found[@]} -eq 0 ] && return 0
        if [ "$attempt" -lt 60 ]; then
            kill "${found[@]}" 2>/dev/null || true
        else
            kill -9 "${found[@]}" 2>/dev/null || true
        fi
        sleep 0.05
    done
}

# Waits up to two minutes until the function `ready` answers, while the last process started
# runs; otherwise says that `what` did not come up, with the end of its log, and fails.
wait_until_ready() {
    local what=$1 log=$2
    for _ in $(seq 1200); do
        ready && return 0
        kill -0 "${pids[-1]}" 2>/dev/null || break
        sleep 0.1
    done
    ready && return 0
    echo "$(basename "$0"): $what did not come up" >&2
    tail -n 20 "$log" >&2
    return 1
}
