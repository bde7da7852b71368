#pragma once

#include "platform/linux/FileIdentity.h"

#include <QByteArray>

#include <array>
#include <optional>

// Looks at files through open handles of their folders, so that a run of files in a folder
// walks the folder's path once rather than once per file. A few folders stay open at a time:
// finding a file again looks by turns where it was and where it is now. Kept for one batch
// only: a folder renamed later must not be found under its old path.
class FolderHandles
{
public:
    FolderHandles() = default;
    FolderHandles(const FolderHandles&) = delete;
    FolderHandles& operator=(const FolderHandles&) = delete;
    ~FolderHandles();

    // The item at `path` (absolute, the file system's bytes) itself, a link not followed.
    std::optional<FileIdentity> identity(const QByteArray& path);

private:
    struct Handle
    {
        QByteArray folder;
        int fd = -1;
        // Out of handles: the whole path serves instead.
        bool fallBack = false;
    };

    Handle& handleOf(QByteArrayView folder);

    std::array<Handle, 4> m_handles;
    // How many are in use, and the one to give up next.
    size_t m_used = 0;
    size_t m_next = 0;
};
