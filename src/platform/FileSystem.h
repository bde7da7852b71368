#pragma once

#include "platform/Status.h"

#include <QString>
#include <QStringList>

#include <optional>

// The names in one folder, hidden ones included ("." and ".." never).
struct Listing
{
    QStringList names;
    // Entries whose names cannot be represented (not valid UTF-8). They are never moved by name,
    // but they count as content: a folder holding one is not empty.
    int unnamed = 0;

    bool isEmpty() const { return names.isEmpty() && unnamed == 0; }
};

// What lies at a path itself, a symbolic link not followed.
enum class EntryKind { missing, directory, symbolicLink, other };

// Every file-system step that moves, lists or creates. One implementation works on the real disk;
// tests wrap it to make single steps fail.
class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // True for anything at the path, a dangling symbolic link included.
    virtual bool exists(const QString& path) const = 0;
    // A real directory; a symbolic link to one is not.
    virtual bool isDirectory(const QString& path) const = 0;
    // A symbolic link, dangling or not.
    virtual bool isSymbolicLink(const QString& path) const = 0;
    // What exists, isDirectory and isSymbolicLink tell, from one look.
    virtual EntryKind kind(const QString& path) const = 0;
    // The kind of each path, in order, as kind() gives it; an implementation may look at many
    // files in one folder at once.
    virtual QList<EntryKind> kinds(const QStringList& paths) const;
    // Nothing when the folder cannot be listed (missing, not a folder, unreadable).
    virtual std::optional<Listing> list(const QString& folder) const = 0;
    // The path with every symbolic link resolved and "."/".." removed; the path made absolute
    // and cleaned when it does not exist.
    virtual QString resolved(const QString& path) const = 0;

    // Renames within one file system and never replaces: fails when `to` exists, and fails
    // rather than copying when the two paths are on different file systems.
    virtual Status move(const QString& from, const QString& to) = 0;
    virtual Status makeFolder(const QString& path, bool withParents) = 0;
    // Removes a file or a symbolic link; never a folder.
    virtual Status removeFile(const QString& path) = 0;
    // Removes a folder only when it is empty.
    virtual Status removeEmptyFolder(const QString& path) = 0;
    // Moves to the user's Trash (or the Trash of the file's own drive) and succeeds only when
    // the file lies in it then; `trashedPath` receives where. Takes as long as the disk does, so
    // it is called off the GUI thread: implementations must allow that.
    virtual Status moveToTrash(const QString& path, QString* trashedPath) = 0;

    // The parent folder of a path with symbolic links resolved: the item itself is never
    // resolved, so a link is judged by where the link lies, not where it points.
    QString resolvedParent(const QString& path) const;
};
