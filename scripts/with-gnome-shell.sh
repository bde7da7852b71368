#!/usr/bin/env bash
# Runs a command inside a private GNOME Shell session on X11 with GNOME's desktop icons (the
# Desktop Icons NG extension) drawing the Desktop: its own home, Xvfb, system and session
# buses. The command sees HOME, DISPLAY and the session bus of that session. Everything started
# here is stopped again when the command ends.
set -euo pipefail

. "$(dirname "$0")/session-lib.sh"

scratch=$(mktemp -d)
pids=()
outer_home=$HOME
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -f "$scratch/session.pid" ] && kill "$(cat "$scratch/session.pid")" 2>/dev/null || true
    [ -f "$scratch/system.pid" ] && kill "$(cat "$scratch/system.pid")" 2>/dev/null || true
    HOME=$outer_home stop_processes_with_home "$scratch/home"
    rm -rf "$scratch"
}
trap cleanup EXIT

export HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=x11 LIBGL_ALWAYS_SOFTWARE=1
unset XDG_SESSION_ID
mkdir -p "$HOME/Desktop" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# GNOME Shell will not start without a system bus to ask about the login session.
cat >"$scratch/system.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>unix:path=$scratch/system.sock</listen>
<auth>EXTERNAL</auth><policy context="default"><allow send_destination="*" eavesdrop="true"/>
<allow eavesdrop="true"/><allow own="*"/></policy></busconfig>
CONF
dbus-daemon --config-file="$scratch/system.conf" --fork --print-pid >"$scratch/system.pid"
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$scratch/system.sock

start_xvfb "$scratch/display"

# The session bus is started after the home is set: what it activates (dconf, gvfs) inherits
# its environment and so stays in the scratch home.
eval "$(dbus-launch --sh-syntax)"
echo "$DBUS_SESSION_BUS_PID" >"$scratch/session.pid"
gsettings set org.gnome.shell enabled-extensions "['ding@rastersoft.com']"
gsettings set org.gnome.shell disable-user-extensions false
gsettings set org.gnome.desktop.interface enable-hot-corners false
# The tests read what the desktop icons show over the accessibility bus.
gsettings set org.gnome.desktop.interface toolkit-accessibility true
gnome-shell --x11 --replace >"$scratch/shell.log" 2>&1 &
pids+=($!)

# Ready once the desktop icons answer on the bus and their window is up.
ready() {
    gdbus call --session --dest com.rastersoft.dingextension \
        --object-path /com/rastersoft/dingextension/control \
        --method org.gtk.Actions.Describe desktopGeometry >/dev/null 2>&1 &&
        xdotool search --class Gjs >/dev/null 2>&1
}
wait_until_ready "GNOME Shell's desktop icons" "$scratch/shell.log"
# The shell starts in the overview, which hides the Desktop.
xdotool key Escape

status=0
"$@" || status=$?
exit $status
