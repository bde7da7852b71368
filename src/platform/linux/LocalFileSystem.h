#pragma once

#include "platform/FileSystem.h"

// The real disk, through POSIX calls where Qt's own would copy, replace or skip: QFile::rename
// falls back to copy-and-delete across file systems, and QDir never lists names that are not
// valid UTF-8.
class LocalFileSystem : public FileSystem
{
public:
    bool exists(const QString& path) const override;
    bool isDirectory(const QString& path) const override;
    bool isSymbolicLink(const QString& path) const override;
    EntryKind kind(const QString& path) const override;
    QList<EntryKind> kinds(const QStringList& paths) const override;
    std::optional<Listing> list(const QString& folder) const override;
    QString resolved(const QString& path) const override;

    Status move(const QString& from, const QString& to) override;
    Status makeFolder(const QString& path, bool withParents) override;
    Status removeFile(const QString& path) override;
    Status removeEmptyFolder(const QString& path) override;
    Status moveToTrash(const QString& path, QString* trashedPath) override;
};
