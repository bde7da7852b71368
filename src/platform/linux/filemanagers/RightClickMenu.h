#pragma once

class Alerts;
class FileManagerActions;

// "File Manager Right-Click Menu…": asks whether to add Tidora's action to the file managers
// found (or, once it is there, whether to remove it or add it again), does it, and says which
// file managers now carry it.
namespace RightClickMenu {

void choose(Alerts& alerts, FileManagerActions& actions);

} // namespace RightClickMenu
