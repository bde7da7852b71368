#!/bin/sh
# The store never reaches up into the engine or the operations; X11 stays in its folder.
root=$1
status=0
if grep -rnE '#include "(engine|operations|desktop|app)/' "$root/src/store"; then
    echo "src/store must not include engine/, operations/, desktop/ or app/"
    status=1
fi
if grep -rnE '#include <(xcb/|X11/)' "$root/src" --include='*.h' ; then
    echo "X11 headers belong in src/platform/x11/*.cpp only"
    status=1
fi
if grep -rnE '#include <(xcb/|X11/)' "$root/src" --include='*.cpp' | grep -v '^'"$root"'/src/platform/x11/'; then
    echo "X11 headers belong in src/platform/x11/*.cpp only"
    status=1
fi
if grep -rnE '#include <Q(Widget|Application|Dialog|MessageBox|Window|Screen|GuiApplication|Painter|Image|Pixmap|Icon)>' \
        "$root/src/store" "$root/src/engine" "$root/src/operations" "$root/src/platform"/*.h 2>/dev/null; then
    echo "the core links Qt Core only"
    status=1
fi
exit $status
