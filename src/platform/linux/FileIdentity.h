#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// Who a file is, as the file system tells it: it stays the same when the file is renamed or
// moved within its file system.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    // Birth time, when the file system keeps one. It tells a file apart from a later one that
    // got the inode of a deleted file, and still matches when the device number changed
    // after a remount.
    bool hasBirthTime = false;
    qint64 birthSeconds = 0;
    quint32 birthNanoseconds = 0;
    bool isDirectory = false;

    // The item at `path` itself, a symbolic link not followed; relative to the open folder
    // `folderFd` when one is given. Nothing when it does not exist.
    static std::optional<FileIdentity> of(const char* path, int folderFd = -1);
    static std::optional<FileIdentity> of(const QByteArray& path, int folderFd = -1)
    {
        return of(path.constData(), folderFd);
    }

    bool sameFileAs(const FileIdentity& other) const;
};
