#!/usr/bin/env bash
# Builds the Debian package from the build folder, installs it into a private dpkg root and
# removes it again: its files lie under /usr, its launcher names /usr/bin/tidora and is valid,
# its dependencies are real Debian packages, and removing it leaves nothing behind.
set -euo pipefail
cpack=$1
build=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack did not build the package"; }
package=$(ls "$work"/out/tidora_*.deb)

expected="./usr/bin/tidora
./usr/bin/tidora-finder
./usr/share/applications/tidora.desktop
./usr/share/doc/tidora/changelog.gz
./usr/share/doc/tidora/copyright
./usr/share/icons/hicolor/128x128/apps/tidora.png
./usr/share/icons/hicolor/16x16/apps/tidora.png
./usr/share/icons/hicolor/22x22/apps/tidora.png
./usr/share/icons/hicolor/24x24/apps/tidora.png
./usr/share/icons/hicolor/256x256/apps/tidora.png
./usr/share/icons/hicolor/32x32/apps/tidora.png
./usr/share/icons/hicolor/48x48/apps/tidora.png
./usr/share/icons/hicolor/64x64/apps/tidora.png
./usr/share/icons/hicolor/scalable/apps/tidora.svg
./usr/share/icons/hicolor/symbolic/apps/tidora-symbolic.svg
./usr/share/man/man1/tidora-finder.1.gz
./usr/share/man/man1/tidora.1.gz
./usr/share/metainfo/org.tidora.tidora.metainfo.xml"
files=$(dpkg-deb --fsys-tarfile "$package" | tar -t | grep -v '/$' | sort)
[ "$files" = "$expected" ] || fail "the package holds:
$files"

dpkg-deb --fsys-tarfile "$package" | tar -xO ./usr/share/applications/tidora.desktop \
    >"$work/tidora.desktop"
grep -qx 'Exec="/usr/bin/tidora" %u' "$work/tidora.desktop" || fail "the launcher names another program"
grep -qx 'TryExec=/usr/bin/tidora' "$work/tidora.desktop" || fail "the launcher tries another program"
grep -qx 'MimeType=x-scheme-handler/tidorama;' "$work/tidora.desktop" || fail "no tidorama: links"
# After Quit the user starts it again from the application menu.
! grep -q '^NoDisplay=true' "$work/tidora.desktop" || fail "the launcher is hidden from the menu"
desktop-file-validate "$work/tidora.desktop" || fail "the launcher is not valid"

dpkg-deb --fsys-tarfile "$package" | tar -xO ./usr/share/metainfo/org.tidora.tidora.metainfo.xml \
    >"$work/org.tidora.tidora.metainfo.xml"
appstreamcli validate --pedantic --no-net "$work/org.tidora.tidora.metainfo.xml" ||
    fail "the AppStream metadata is not valid"

# What a Debian maintainer checks first: no error and no warning, pedantic tags included.
lintian -I --pedantic --fail-on error,warning --allow-root "$package" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log" >&2; fail "lintian finds faults in the package"; }

# Every dependency names a package of this system's distribution.
depends=$(dpkg-deb -f "$package" Depends)
for dependency in $(echo "$depends" | tr ',' '\n' | sed 's/(.*)//; s/ //g'); do
    apt-cache show "$dependency" >/dev/null 2>&1 || fail "no such package: $dependency"
done

root=$work/root
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
touch "$root/var/lib/dpkg/status"
# The libraries are this system's, not the private root's: their check is the one above.
dpkg --root="$root" --force-depends --force-not-root -i "$package" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "the package does not install"; }
[ -x "$root/usr/bin/tidora" ] && [ -x "$root/usr/bin/tidora-finder" ] || fail "not installed"
dpkg --root="$root" --force-depends --force-not-root -r tidora >>"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "the package does not remove"; }
left=$(cd "$root" && find . -mindepth 1 -not -path './var*')
[ -z "$left" ] || fail "left behind after removal:
$left"
echo "the package installs and removes cleanly"
