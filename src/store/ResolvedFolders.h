#pragma once

#include <QHash>
#include <QString>

class FileSystem;

// The parent folders of files with symbolic links resolved, each folder resolved once. One
// operation asks about hundreds of files that lie in two or three folders, and resolving a
// path costs a system call per component; keep one of these for the length of an operation.
class ResolvedFolders
{
public:
    explicit ResolvedFolders(const FileSystem& fs)
        : m_fs(fs)
    {}

    // The same as FileSystem::resolvedParent.
    QString parentOf(const QString& path);

private:
    const FileSystem& m_fs;
    QHash<QString, QString> m_resolved;
};
