#pragma once

class FileSystem;
class QUuid;
class StackFiles;
class StackRecords;
class StackRemoval;
class StackWindows;
class StorageFolders;

// A collapsed stack keeps only the items whose files still lie in its folder: a file dragged
// out of the preview, or moved away by hand, leaves the stack (the file itself is not touched).
class FolderSync
{
public:
    FolderSync(const FileSystem& fs, const StorageFolders& folders, const StackFiles& files,
               StackRecords& records, StackWindows& windows, StackRemoval& removal);

    // Nothing changes while the folder itself is missing: the storage folder may be on its way
    // elsewhere. Stores the record when it changed; a stack left without items is removed.
    void syncWithFolder(const QUuid& id);

private:
    const FileSystem& m_fs;
    const StorageFolders& m_folders;
    const StackFiles& m_files;
    StackRecords& m_records;
    StackWindows& m_windows;
    StackRemoval& m_removal;
};
