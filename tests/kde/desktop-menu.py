#!/usr/bin/python3
# Right-clicks an icon on the Plasma desktop as a user would and prints, as JSON, the items its
# menu holds. With a second argument it chooses that item instead of closing the menu. The
# desktop's menus are popups, which the accessibility tree does not list: they are caught as
# they show. Exit status 1 when no menu of the icon showed.
import json
import subprocess
import sys
import time
import warnings

import gi

warnings.filterwarnings("ignore")
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402


def closed(menu):
    try:
        return not menu.get_state_set().contains(Atspi.StateType.SHOWING)
    except GLib.Error:
        return True


def desktop_icon(name):
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(index)
        if app is None or app.get_name() != "plasmashell":
            continue
        for window_index in range(app.get_child_count()):
            window = app.get_child_at_index(window_index)
            if window is None or not (window.get_name() or "").startswith("Desktop @"):
                continue
            for child_index in range(window.get_child_count()):
                icon = window.get_child_at_index(child_index)
                if icon.get_role_name() == "canvas" and icon.get_name() == name:
                    return icon
    return None


def menu_items(node, depth=0):
    found = []
    if node is None or depth > 3:
        return found
    try:
        for index in range(node.get_child_count()):
            child = node.get_child_at_index(index)
            if child is None:
                continue
            # Qt leaves VISIBLE off some items that show; the menu is built anew for each
            # right-click, so an item in it is one this right-click offered.
            if child.get_role_name() == "menu item":
                found.append(child)
            found += menu_items(child, depth + 1)
    except GLib.Error:
        # A menu closed meanwhile.
        return []
    return found


def wait_for(condition, seconds):
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)
    return condition()


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True)


def main():
    name = sys.argv[1]
    choice = sys.argv[2] if len(sys.argv) > 2 else None
    icon = wait_for(lambda: desktop_icon(name), 30)
    if icon is None:
        print(f"no icon named {name} on the desktop", file=sys.stderr)
        return 1
    # The icon's cell; its image is centred 40 pixels below the cell's top at the default size.
    box = icon.get_extents(Atspi.CoordType.SCREEN)
    x, y = box.x + box.width // 2, box.y + 40

    shown = []

    def on_showing(event):
        try:
            if event.detail1 == 1 and event.source.get_role_name() == "popup menu":
                shown.append(event.source)
        except GLib.Error:
            pass  # Gone before it could be read.

    listener = Atspi.EventListener.new(on_showing)
    listener.register("object:state-changed:showing")

    # The icon's own menu only opens once the view has seen the pointer over the icon; a click
    # before that opens the desktop's menu. Each try moves the pointer in from outside. The
    # program hears of the listener a moment after it registers and sends no event before: a
    # try that sees no menu closes whatever opened and tries again, waiting longer.
    for patience in (2, 4, 8, 16, 32):
        xdotool("key", "Escape")
        shown.clear()
        xdotool("mousemove", str(x + 300), str(y + 300))
        xdotool("mousemove", str(x - 5), str(y - 5))
        xdotool("mousemove", str(x), str(y))
        xdotool("click", "3")
        menu = wait_for(lambda: next((m for m in shown if menu_items(m)), None), patience)
        if menu is None:
            continue
        items = menu_items(menu)
        labels = [item.get_name() for item in items]
        # "Properties" is in the menu of an icon only (Qt lists some of the items shared between
        # menus, such as Cut, only in the first menu that shows them).
        if "Properties" not in labels:
            xdotool("key", "Escape")
            wait_for(lambda: closed(menu), 5)
            continue
        print(json.dumps(labels))
        if choice in labels:
            # The item's action runs before the call returns; the menu stays open after it.
            items[labels.index(choice)].do_action(0)
        xdotool("key", "Escape")
        wait_for(lambda: closed(menu), 5)
        return 0
    print(f"the menu of {name} did not show", file=sys.stderr)
    return 1


sys.exit(main())
