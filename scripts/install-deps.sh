#!/usr/bin/env bash
# Installs the Debian 12 packages Tidora needs to build (and, with --test, to run its tests).
# Packages already present are left alone, so a second run is quick.
set -euo pipefail

build_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libxcb1-dev libxcb-keysyms1-dev libxcb-xinput-dev libxcb-xfixes0-dev libx11-dev
    libglib2.0-dev rapidjson-dev
)
test_packages=(
    clang-format clang-tidy lld
    xvfb xauth openbox xdotool x11-utils x11-xserver-utils imagemagick wmctrl trayer
    dbus-x11 caja gvfs gvfs-daemons libglib2.0-bin at-spi2-core gir1.2-atspi-2.0 python3-gi
    xdg-utils desktop-file-utils xcompmgr dpkg-dev lintian appstream
    tumbler gstreamer1.0-tools gstreamer1.0-plugins-base
    gnome-shell gnome-shell-extension-desktop-icons-ng nautilus gnome-settings-daemon-common
    plasma-desktop plasma-workspace kwin-x11 qdbus-qt5
)

packages=("${build_packages[@]}")
if [ "${1:-}" = "--test" ]; then
    packages+=("${test_packages[@]}")
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
