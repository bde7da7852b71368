#!/usr/bin/env bash
# Runs a command inside a private KDE Plasma session on X11: its own home, Xvfb, session bus,
# KWin and plasmashell drawing the Desktop with Folder View. The command sees HOME, DISPLAY and
# the session bus of that session. Everything started here is stopped when the command ends.
set -euo pipefail

scratch=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
    # What the session started by itself (kded5, the accessibility bus, …) carries its home;
    # kded5 at times outlives the bus and ignores SIGTERM, and a helper may start meanwhile.
    for _ in 1 2; do
        for environ in /proc/[0-9]*/environ; do
            pid=${environ#/proc/}
            pid=${pid%/environ}
            [ "$pid" = $$ ] && continue
            grep -qzx "HOME=$HOME" "$environ" 2>/dev/null && kill -9 "$pid" 2>/dev/null || true
        done
        sleep 0.5
    done
    rm -rf "$scratch"
}
trap cleanup EXIT

export HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5 XDG_SESSION_TYPE=x11
export QT_QUICK_BACKEND=software
unset XDG_SESSION_ID
mkdir -p "$HOME/Desktop" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# The file is there before the server starts, so that reading it never races its creation.
: >"$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
pids+=($!)
number=
for _ in $(seq 600); do
    number=$(tr -dc 0-9 <"$scratch/display")
    [ -n "$number" ] && break
    sleep 0.05
done
[ -n "$number" ] || { echo "with-plasma: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"
eval "$(dbus-launch --sh-syntax)"

KWIN_COMPOSE=N kwin_x11 >"$scratch/kwin.log" 2>&1 &
pids+=($!)
# The tests read what it shows over the accessibility bus, which Qt 5 serves only when asked.
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 plasmashell --no-respawn >"$scratch/plasma.log" 2>&1 &
pids+=($!)

# Ready once the shell answers scripts and its Desktop window is up.
ready() {
    qdbus org.kde.plasmashell /PlasmaShell org.kde.PlasmaShell.evaluateScript \
        'print(desktops().length)' 2>/dev/null | grep -q '^[1-9]' &&
        xdotool search --class plasmashell >/dev/null 2>&1
}
for _ in $(seq 1200); do
    ready && break
    kill -0 "${pids[-1]}" 2>/dev/null || break
    sleep 0.1
done
if ! ready; then
    echo "with-plasma: plasmashell did not come up" >&2
    tail -n 20 "$scratch/plasma.log" >&2
    exit 1
fi

status=0
"$@" || status=$?
exit $status
