#pragma once

#include "platform/Status.h"

#include <QSet>
#include <QString>

#include <functional>
#include <optional>

class FileSystem;

// The names taken in one folder, read with one listing, for an operation that chooses where
// many files go in that folder: choosing is then a lookup instead of a system call per name.
// Names chosen count as taken from then on. A name that appears after the listing, or one that
// differs only in case on a folder that ignores case, is not seen here; `moveThere` finds out
// from the failed move (moves never replace) and tries once more with a name asked of the disk.
class FolderNames
{
public:
    FolderNames(const FileSystem& fs, QString folder);

    // folder/name, or "name 2.ext", "name 3.ext", …, as uniqueDestination numbers them: the
    // first free one, taken from now on.
    QString choose(const QString& name);
    // Moves `from` to `to` (chosen here). When the move failed because something is at `to`
    // now, `to` becomes a name free on the disk and the move is tried there.
    Status moveThere(FileSystem& fs, const QString& from, QString& to);

    // folder/name, or "name 2.ext", "name 3.ext", … : the first that is free, and not one of the
    // `reserved` names (destinations already promised to other files). Names are cut so that
    // the number still fits in a file name.
    static QString uniqueDestination(const FileSystem& fs, const QString& folder,
                                     const QString& name, const QSet<QString>& reserved = {});
    // The name itself or the first of "name 2.ext", "name 3.ext", … that `isFree` accepts.
    static QString firstFreeName(const QString& name,
                                 const std::function<bool(const QString&)>& isFree);

private:
    bool isFree(const QString& name) const;

    const FileSystem& m_fs;
    const QString m_folder;
    const QString m_prefix;
    // Nothing when the folder could not be listed: every name is then asked of the disk.
    std::optional<QSet<QString>> m_listed;
    QSet<QString> m_chosen;
};
