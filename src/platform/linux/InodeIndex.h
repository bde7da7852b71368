#pragma once

#include "platform/linux/FileIdentity.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMultiHash>

#include <ctime>
#include <functional>
#include <optional>

class FolderHandles;

// Where each file under a few folders is, by inode: the index behind InodeBookmarks.
//
// Built on the first lookup. Every folder read is watched with inotify; a lookup that misses
// first reads the pending events and reads again only the folders that changed (folders that
// could not be watched are checked by their modification time instead). So a run of lookups
// reads each folder once, however many of them miss. The index holds inode numbers only: a
// candidate is confirmed by looking at the file itself, which also guards against an index
// that is behind. Paths are the file system's bytes.
class InodeIndex
{
public:
    struct Root
    {
        QByteArray path;
        int depth = 1;
    };
    using Roots = std::function<QList<Root>()>;

    explicit InodeIndex(Roots roots);
    ~InodeIndex();
    InodeIndex(const InodeIndex&) = delete;
    InodeIndex& operator=(const InodeIndex&) = delete;

    // The path of the file with this identity. `hintFolder` (where the file was last seen) is
    // read into the index too when the roots do not hold the file.
    // `found`, when given, receives the identity the file showed when it was found. Candidates
    // are looked at through `folders` when given.
    std::optional<QByteArray> find(const FileIdentity& identity, const QByteArray& hintFolder,
                                   FileIdentity* found = nullptr, FolderHandles* folders = nullptr);

    int foldersRead() const { return m_foldersRead; }

private:
    enum class Kind { root, child, hint };

    struct Entry
    {
        // Shared by every entry of one folder.
        QByteArray folder;
        QByteArray name;
    };

    struct Folder
    {
        int depth = 1;
        Kind kind = Kind::child;
        // The folder whose reading added this one (children only).
        QByteArray parent;
        int watch = -1;
        // For a folder without a watch: how it looked when it was read.
        timespec modified{};
        timespec changed{};
        QList<quint64> inodes;
        QList<QByteArray> children;
        quint64 pass = 0;
    };

    void build();
    void refresh();
    void readEvents();
    void checkUnwatched();
    void updateRoots();
    void rescanDirty();
    std::optional<QByteArray> lookup(const FileIdentity& identity, FileIdentity* found,
                                     FolderHandles* folders) const;

    void scan(const QByteArray& path, int depth, Kind kind, const QByteArray& parent);
    void drop(const QByteArray& path);
    int addWatch(const QByteArray& path, Kind kind);
    void removeWatch(int watch, const QByteArray& path);

    Roots m_rootsSource;
    QList<Root> m_roots;
    QHash<QByteArray, Folder> m_folders;
    QMultiHash<quint64, Entry> m_entries;
    QMultiHash<int, QByteArray> m_watches;
    QList<QByteArray> m_missingRoots;
    QList<QByteArray> m_dirty;
    bool m_allDirty = false;
    bool m_built = false;
    int m_inotify = -1;
    int m_unwatched = 0;
    quint64 m_pass = 0;
    int m_foldersRead = 0;
};
