#pragma once

#include "platform/Bookmarks.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class InodeIndex;
struct FileIdentity;
class FolderHandles;

// Bookmarks that remember a file by its identity on disk (device, inode and, where the file
// system keeps one, birth time) and by its path.
//
// Resolving gives, in this order: the recorded path when it still holds the same file; the
// file found again by identity among the search roots and the folder the file was in;
// otherwise nothing. Another file that merely has the recorded name is never the answer: the
// bytes come from a file the user may edit, and whatever is found gets moved.
//
// Finding a file again uses an index of the search roots, built on the first lookup that needs
// it and kept up to date through inotify, so resolving any number of bookmarks reads each
// folder once; a folder is read again only after it changed. Not thread-safe: use it from one
// thread.
class InodeBookmarks : public Bookmarks
{
public:
    struct SearchRoot
    {
        QString path;
        // 1: the entries of the folder; 2: those and the entries of each folder inside it.
        int depth = 1;
    };
    // Asked again whenever the index is brought up to date, so the roots may change while the
    // program runs; it is called on every lookup that misses, so it should be cheap.
    using SearchRoots = std::function<QList<SearchRoot>()>;

    explicit InodeBookmarks(SearchRoots roots);
    ~InodeBookmarks() override;
    InodeBookmarks(const InodeBookmarks&) = delete;
    InodeBookmarks& operator=(const InodeBookmarks&) = delete;

    std::optional<QByteArray> make(const QString& path) override;
    std::optional<QString> resolve(const QByteArray& bookmark) override;
    // A file still at its recorded path is renewed from the one stat that found it there.
    std::optional<Renewal> renew(const QByteArray& bookmark) override;
    // A rename keeps the file's identity: only the path changes.
    std::optional<QByteArray> moved(const QByteArray& bookmark, const QString& to) override;
    // Files of one folder in a row are looked at through one handle of the folder.
    QList<std::optional<QByteArray>> makeAll(const QStringList& paths) override;
    QList<std::optional<QString>> resolveAll(const QList<QByteArray>& bookmarks) override;
    QList<std::optional<Renewal>> renewAll(const QList<QByteArray>& bookmarks) override;

    // How many times a folder has been read into the index.
    int foldersRead() const;

private:
    // The file at `path` itself, through `folders` when given.
    static std::optional<FileIdentity> identity(const QByteArray& path, FolderHandles* folders);
    std::optional<QByteArray> makeWith(const QString& path, FolderHandles* folders);
    std::optional<QString> resolveWith(const QByteArray& bookmark, FolderHandles* folders);
    std::optional<Renewal> renewWith(const QByteArray& bookmark, FolderHandles* folders);

    std::unique_ptr<InodeIndex> m_index;
};
