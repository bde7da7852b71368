#pragma once

class QUuid;
class StackManager;

namespace FolderSync {

// A collapsed stack keeps only the items whose files still lie in its folder: a file dragged
// out of the preview, or moved away by hand, leaves the stack (the file itself is not touched).
// Nothing changes while the folder itself is missing: the storage folder may be on its way
// elsewhere. Stores the record when it changed; a stack left without items is removed.
void syncWithFolder(StackManager& manager, const QUuid& id);

} // namespace FolderSync
