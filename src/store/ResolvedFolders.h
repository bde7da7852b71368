#pragma once

#include <QHash>
#include <QString>

class FileSystem;

// Folders with symbolic links resolved, each folder resolved once. One operation asks about
// hundreds of files that lie in a few folders, and resolving a path in full costs a system
// call per component; keep one of these for the length of an operation.
//
// A folder that is not a link is resolved from its resolved parent, which one look at the folder
// tells; only links and folders at the top of the tree are resolved in full.
class ResolvedFolders
{
public:
    explicit ResolvedFolders(const FileSystem& fs)
        : m_fs(fs)
    {}

    // The same as FileSystem::resolvedParent.
    QString parentOf(const QString& path);
    // The same as FileSystem::resolved, for a folder (or anything that is not a link).
    QString folder(const QString& path);
    // For a new operation: folders may have moved since.
    void forget()
    {
        m_resolved.clear();
        m_lastFolder.clear();
        m_lastResolved.clear();
    }

private:
    // `path` is absolute and clean.
    QString cleanFolder(const QString& path);

    const FileSystem& m_fs;
    QHash<QString, QString> m_resolved;
    // The folder of the last file asked about (clean, as written) and its resolution.
    QString m_lastFolder;
    QString m_lastResolved;
};
