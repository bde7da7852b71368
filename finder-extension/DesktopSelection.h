#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// Which of the items a file manager hands over may be stacked. Names are bytes throughout: a
// file name need not be UTF-8, and a QString would not give the same bytes back.
namespace DesktopSelection {

// An argument as a local path: an absolute path, a path relative to `workingFolder` (script
// actions get names relative to the folder they run in), or a file URI of this machine.
// Empty for anything else: other URI schemes, other hosts, a NUL byte.
QByteArray localPath(const QByteArray& argument, const QByteArray& workingFolder);

// Every item as `desktop` + "/" + its name, in the order given and once each, when every one
// lies directly in the Desktop folder: its parent folder, with symbolic links resolved, is the
// Desktop with links resolved. The item itself is never resolved, so a link lying on the
// Desktop is a Desktop item wherever it points. Nothing when there is no item or any one
// fails: files inside folders, or a mix, give no stack.
std::optional<QList<QByteArray>> desktopItems(const QList<QByteArray>& arguments,
                                              const QByteArray& desktop,
                                              const QByteArray& workingFolder);

} // namespace DesktopSelection
