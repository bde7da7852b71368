#!/usr/bin/python3
# Prints, as JSON, every icon Caja's Desktop window shows on the accessibility bus: its label,
# its image extents on the screen and whether it is selected. The tests use it as an oracle
# that does not share code with the bridge.
import json
import warnings

import gi

warnings.filterwarnings("ignore")
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def icon_view(node, depth=0):
    if node.get_role_name() == "layered pane" and node.get_name() == "Icon View":
        return node
    if depth > 12 or node.get_role_name().startswith("menu"):
        return None
    for index in range(node.get_child_count()):
        found = icon_view(node.get_child_at_index(index), depth + 1)
        if found:
            return found
    return None


def main():
    desktop = Atspi.get_desktop(0)
    icons = []
    for index in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(index)
        if app is None or app.get_name() != "caja":
            continue
        for window_index in range(app.get_child_count()):
            window = app.get_child_at_index(window_index)
            if window.get_attributes().get("is-desktop") != "true":
                continue
            view = icon_view(window)
            if view is None:
                continue
            chosen = view.get_selection_iface()
            selected_paths = set()
            for selected_index in range(chosen.get_n_selected_children()):
                selected_paths.add(chosen.get_selected_child(selected_index).path)
            for child_index in range(view.get_child_count()):
                icon = view.get_child_at_index(child_index)
                box = icon.get_image_iface().get_image_extents(Atspi.CoordType.SCREEN)
                selected = icon.path in selected_paths
                icons.append({"name": icon.get_name(), "x": box.x, "y": box.y,
                              "width": box.width, "height": box.height,
                              "selected": selected})
    print(json.dumps(icons))


main()
