#!/usr/bin/env bash
# Runs a command inside a private X session: Xvfb, a D-Bus session bus and openbox. Everything
# started here is stopped again when the command ends.
set -euo pipefail

display=
for number in $(seq 90 130); do
    if [ ! -e "/tmp/.X11-unix/X$number" ] && [ ! -e "/tmp/.X$number-lock" ]; then
        display=":$number"
        break
    fi
done
[ -n "$display" ] || { echo "with-x11: no free display" >&2; exit 1; }

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
# A slow machine may take seconds to bring the server up; without it every test would fail.
ready=
for _ in $(seq 600); do
    xdpyinfo >/dev/null 2>&1 && { ready=1; break; }
    sleep 0.05
done
[ -n "$ready" ] || { echo "with-x11: Xvfb on $display did not start" >&2; exit 1; }
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
managing || { echo "with-x11: no window manager on $display" >&2; exit 1; }

status=0
"$@" || status=$?
exit $status
