#!/usr/bin/env bash
# Runs a command inside a private KDE Plasma session on X11: its own home, Xvfb, session bus,
# KWin and plasmashell drawing the Desktop with Folder View. The command sees HOME, DISPLAY and
# the session bus of that session. Everything started here is stopped when the command ends.
set -euo pipefail

. "$(dirname "$0")/session-lib.sh"

scratch=$(mktemp -d)
pids=()
outer_home=$HOME
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
    HOME=$outer_home stop_processes_with_home "$scratch/home"
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

start_xvfb "$scratch/display"
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
wait_until_ready "plasmashell" "$scratch/plasma.log"

status=0
"$@" || status=$?
exit $status
