#pragma once

#include <QString>

// Asking Tidora to stack the handed-over selection: the URL tidorama://stack-selection.
namespace StackRequest {

inline constexpr char url[] = "tidorama://stack-selection";

// Runs the tidora program installed in `programFolder` with the URL: it passes the URL to the
// running copy and ends, or starts Tidora when none runs. Only without one there does it go
// through xdg-open, which needs the URL scheme registered with the desktop. Nothing waits for
// either; false when neither could be started.
[[nodiscard]] bool open(const QString& programFolder);

} // namespace StackRequest
