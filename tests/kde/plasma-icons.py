#!/usr/bin/python3
# Prints, as JSON, every icon Plasma's desktop shows on the accessibility bus: its label, its
# cell (x, y, width, height) and the top of its label, in screen pixels. The tests use it as an
# oracle that shares no code with the bridge.
import json
import warnings

import gi

warnings.filterwarnings("ignore")
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def main():
    icons = {}
    try:
        desktop = Atspi.get_desktop(0)
        for index in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(index)
            if app is None or app.get_name() != "plasmashell":
                continue
            for window in range(app.get_child_count()):
                frame = app.get_child_at_index(window)
                if frame is None or not (frame.get_name() or "").startswith("Desktop @"):
                    continue
                for cell_index in range(frame.get_child_count()):
                    cell = frame.get_child_at_index(cell_index)
                    # One canvas per cell, named after its icon; empty cells have no name.
                    if cell.get_role() != Atspi.Role.CANVAS or not cell.get_name():
                        continue
                    box = cell.get_extents(Atspi.CoordType.SCREEN)
                    label = cell.get_child_at_index(0).get_extents(Atspi.CoordType.SCREEN)
                    icons[cell.get_name()] = [box.x, box.y, box.width, box.height, label.y]
    except Exception:  # the tree changed while it was read; the caller asks again
        icons = None
    print(json.dumps(icons))


main()
