#!/usr/bin/env bash
# Runs a command inside a private X session: Xvfb, a D-Bus session bus and openbox. Everything
# started here is stopped again when the command ends.
set -euo pipefail

. "$(dirname "$0")/session-lib.sh"

pids=()
numberfile=$(mktemp)
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
    rm -f "$numberfile"
}
trap cleanup EXIT

start_xvfb "$numberfile"
eval "$(dbus-launch --sh-syntax)"
# Tests of window placement and stacking need the window manager already managing; one that
# does not come up is started again rather than leaving every X11 test to fail.
managing() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
for attempt in 1 2 3; do
    openbox >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 200); do
        managing && break 2
        sleep 0.05
    done
    echo "with-x11: openbox is not managing the display (attempt $attempt)" >&2
    kill "${pids[-1]}" 2>/dev/null || true
done
managing || { echo "with-x11: no window manager on $DISPLAY" >&2; exit 1; }

status=0
"$@" || status=$?
exit $status
