#pragma once

#include "platform/Status.h"

#include <QString>

// The freedesktop Trash, through GIO. Qt's own QFile::moveToTrash (6.4) loops for ever on a
// name too long for its info file or on an info folder it cannot write, and when it cannot make
// the home Trash it puts the file into "files" of the current folder and reports success.
namespace FreedesktopTrash {

// Moves the file into the Trash the freedesktop rules choose (the home Trash, or the Trash at
// the top of another drive) and succeeds only when the file is then found in that Trash's
// "files" folder; `trashedPath` receives where. A failure says why in the system's words.
// Takes as long as the disk does: never call it on the GUI thread.
Status moveToTrash(const QString& path, QString* trashedPath);

} // namespace FreedesktopTrash
