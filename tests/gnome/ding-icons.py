#!/usr/bin/python3
# Prints, as JSON, every icon GNOME's desktop icons show on the accessibility bus: its label,
# the top left of its cell and its image's centre, in screen pixels. The tests use it as an
# oracle that shares no code with the bridge.
import json
import warnings

import gi

warnings.filterwarnings("ignore")
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def desktop_program():
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(index)
        if app is None or app.get_name() != "gjs":
            continue
        for window in range(app.get_child_count()):
            frame = app.get_child_at_index(window)
            # Its windows are named after their monitor's origin: "@!x,y;BDHF".
            if frame is not None and (frame.get_name() or "").startswith("@!"):
                return app
    return None


def main():
    icons = {}
    app = desktop_program()

    def walk(node):
        if node is None:
            return
        if node.get_role() == Atspi.Role.LABEL:
            # label < box < box < box < cell; the image: cell > box > box > box > icon
            cell = node.get_parent().get_parent().get_parent().get_parent()
            box = cell.get_extents(Atspi.CoordType.SCREEN)
            image = cell
            for _ in range(4):
                image = image.get_child_at_index(0)
            shown = image.get_extents(Atspi.CoordType.SCREEN)
            name = node.get_name().replace("\u200b", "")
            icons[name] = [box.x, box.y, shown.x + shown.width / 2, shown.y + shown.height / 2]
            return
        for index in range(node.get_child_count()):
            walk(node.get_child_at_index(index))

    try:
        walk(app)
    except Exception:  # the tree changed while it was read; the caller asks again
        icons = None
    print(json.dumps(icons))


main()
