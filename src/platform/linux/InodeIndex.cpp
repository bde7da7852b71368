#include "platform/linux/InodeIndex.h"

#include "platform/linux/FolderHandles.h"

#include <QByteArrayView>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint32_t watchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                   IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

InodeIndex::InodeIndex(Roots roots)
    : m_rootsSource(std::move(roots))
    , m_inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{}

InodeIndex::~InodeIndex()
{
    if (m_inotify >= 0)
        ::close(m_inotify);
}

std::optional<QByteArray> InodeIndex::find(const FileIdentity& identity,
                                           const QByteArray& hintFolder, FileIdentity* found,
                                           FolderHandles* folders)
{
    if (m_built)
        refresh();
    else
        build();
    if (std::optional<QByteArray> path = lookup(identity, found, folders))
        return path;
    // Not in the index: perhaps a root was added or created meanwhile, or the file is still in
    // a folder outside the roots. Only a real miss pays for these folders.
    updateRoots();
    if (!hintFolder.isEmpty() && !m_folders.contains(hintFolder))
        scan(hintFolder, 1, Kind::hint, QByteArray());
    return lookup(identity, found, folders);
}

void InodeIndex::build()
{
    m_built = true;
    m_roots = m_rootsSource ? m_rootsSource() : QList<Root>();
    for (const Root& root : std::as_const(m_roots))
        scan(root.path, root.depth, Kind::root, QByteArray());
}

void InodeIndex::refresh()
{
    readEvents();
    if (m_allDirty) {
        // Events were lost: start again from nothing.
        m_allDirty = false;
        m_dirty.clear();
        const QList<QByteArray> folders = m_folders.keys();
        for (const QByteArray& folder : folders)
            drop(folder);
        build();
        return;
    }
    checkUnwatched();
    rescanDirty();
}

void InodeIndex::readEvents()
{
    if (m_inotify < 0)
        return;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t size = ::read(m_inotify, buffer, sizeof buffer);
        if (size <= 0)
            return;
        for (ssize_t at = 0; at < size;) {
            inotify_event event;
            std::copy_n(buffer + at, sizeof event, reinterpret_cast<char*>(&event));
            at += ssize_t(sizeof(inotify_event)) + event.len;
            if (event.mask & IN_Q_OVERFLOW)
                m_allDirty = true;
            for (auto it = m_watches.constFind(event.wd);
                 it != m_watches.cend() && it.key() == event.wd; ++it)
                m_dirty.append(it.value());
        }
    }
}

void InodeIndex::checkUnwatched()
{
    if (m_unwatched == 0)
        return;
    for (auto it = m_folders.cbegin(); it != m_folders.cend(); ++it) {
        if (it->watch >= 0)
            continue;
        struct stat info;
        if (::stat(it.key().constData(), &info) != 0 || !sameTime(info.st_mtim, it->modified) ||
            !sameTime(info.st_ctim, it->changed))
            m_dirty.append(it.key());
    }
}

void InodeIndex::updateRoots()
{
    const QList<Root> roots = m_rootsSource ? m_rootsSource() : QList<Root>();
    for (const Root& old : std::as_const(m_roots)) {
        const bool kept = std::any_of(roots.cbegin(), roots.cend(),
                                      [&old](const Root& root) { return root.path == old.path; });
        const auto folder = m_folders.constFind(old.path);
        if (!kept && folder != m_folders.cend() && folder->kind == Kind::root)
            drop(old.path);
    }
    m_roots = roots;
    // New roots, and roots that did not exist so far (one look each).
    for (const Root& root : std::as_const(m_roots))
        scan(root.path, root.depth, Kind::root, QByteArray());
}

void InodeIndex::rescanDirty()
{
    if (m_dirty.isEmpty())
        return;
    ++m_pass;
    QList<QByteArray> dirty = std::move(m_dirty);
    m_dirty.clear();
    // Parents first: reading a folder again reads its subfolders too.
    std::sort(dirty.begin(), dirty.end(), [](const QByteArray& a, const QByteArray& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    dirty.erase(std::unique(dirty.begin(), dirty.end()), dirty.end());
    for (const QByteArray& path : std::as_const(dirty)) {
        const auto folder = m_folders.constFind(path);
        if (folder == m_folders.cend() || folder->pass == m_pass)
            continue;
        const int depth = folder->depth;
        const Kind kind = folder->kind;
        const QByteArray parent = folder->parent;
        drop(path);
        scan(path, depth, kind, parent);
    }
}

std::optional<QByteArray> InodeIndex::lookup(const FileIdentity& identity, FileIdentity* found,
                                             FolderHandles* folders) const
{
    for (auto it = m_entries.constFind(identity.inode);
         it != m_entries.cend() && it.key() == identity.inode; ++it) {
        // The index knows inode numbers only; the file itself says whether it is the one.
        const QByteArray path = it->folder + '/' + it->name;
        const std::optional<FileIdentity> now =
            folders ? folders->identity(path) : FileIdentity::of(path);
        if (now && identity.sameFileAs(*now)) {
            if (found)
                *found = *now;
            return path;
        }
    }
    return std::nullopt;
}

void InodeIndex::scan(const QByteArray& path, int depth, Kind kind, const QByteArray& parent)
{
    if (const auto existing = m_folders.constFind(path); existing != m_folders.cend()) {
        if (existing->depth >= depth)
            return;
        drop(path);
    }
    Folder folder;
    folder.depth = depth;
    folder.kind = kind;
    folder.parent = parent;
    folder.pass = m_pass;
    // Watch before reading, so that a change made while the folder is read is not missed.
    folder.watch = addWatch(path, kind);
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (kind == Kind::child ? O_NOFOLLOW : 0);
    const int fd = ::open(path.constData(), flags);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        if (folder.watch >= 0)
            removeWatch(folder.watch, path);
        return;
    }
    struct stat info;
    if (::fstat(fd, &info) == 0) {
        folder.modified = info.st_mtim;
        folder.changed = info.st_ctim;
    }
    ++m_foldersRead;
    QList<QByteArray> subfolders;
    // The directory entry carries the inode number, so a folder is read without a stat per
    // file. Some file systems (overlays) report other numbers there than stat does; the first
    // entry tells, and such a folder is read with a stat per entry.
    enum class Numbers { unknown, fromEntries, fromStat } numbers = Numbers::unknown;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        // A name that is not UTF-8 cannot be handed back as a path anyway.
        if (!QByteArrayView(name).isValidUtf8())
            continue;
        quint64 inode = entry->d_ino;
        bool isDirectory = entry->d_type == DT_DIR;
        if (numbers != Numbers::fromEntries || entry->d_type == DT_UNKNOWN) {
            const std::optional<FileIdentity> identity = FileIdentity::of(name, fd);
            if (!identity)
                continue;
            if (numbers == Numbers::unknown)
                numbers = identity->inode == inode ? Numbers::fromEntries : Numbers::fromStat;
            inode = identity->inode;
            isDirectory = identity->isDirectory;
        }
        m_entries.insert(inode, Entry{path, name});
        folder.inodes.append(inode);
        if (isDirectory && depth > 1)
            subfolders.append(path + '/' + name);
    }
    ::closedir(dir);
    folder.children = subfolders;
    if (folder.watch < 0)
        ++m_unwatched;
    m_folders.insert(path, folder);
    for (const QByteArray& subfolder : std::as_const(subfolders))
        scan(subfolder, depth - 1, Kind::child, path);
}

void InodeIndex::drop(const QByteArray& path)
{
    const auto found = m_folders.find(path);
    if (found == m_folders.end())
        return;
    Folder folder = std::move(*found);
    m_folders.erase(found);
    for (const quint64 inode : folder.inodes) {
        for (auto it = m_entries.find(inode); it != m_entries.end() && it.key() == inode;) {
            if (it->folder == path)
                it = m_entries.erase(it);
            else
                ++it;
        }
    }
    for (const QByteArray& child : folder.children) {
        const auto sub = m_folders.constFind(child);
        if (sub != m_folders.cend() && sub->kind == Kind::child && sub->parent == path)
            drop(child);
    }
    if (folder.watch >= 0)
        removeWatch(folder.watch, path);
    else
        --m_unwatched;
}

int InodeIndex::addWatch(const QByteArray& path, Kind kind)
{
    if (m_inotify < 0)
        return -1;
    const uint32_t mask = watchedEvents | (kind == Kind::child ? IN_DONT_FOLLOW : 0);
    const int watch = ::inotify_add_watch(m_inotify, path.constData(), mask);
    if (watch >= 0 && !m_watches.contains(watch, path))
        m_watches.insert(watch, path);
    return watch;
}

void InodeIndex::removeWatch(int watch, const QByteArray& path)
{
    m_watches.remove(watch, path);
    if (!m_watches.contains(watch))
        ::inotify_rm_watch(m_inotify, watch);
}
