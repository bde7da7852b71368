#include "platform/linux/FolderHandles.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

FolderHandles::~FolderHandles()
{
    for (size_t i = 0; i < m_used; ++i) {
        if (m_handles[i].fd >= 0)
            ::close(m_handles[i].fd);
    }
}

std::optional<FileIdentity> FolderHandles::identity(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash <= 0 || slash == path.size() - 1)
        return FileIdentity::of(path);
    const Handle& handle = handleOf(QByteArrayView(path).first(slash));
    if (handle.fd < 0)
        return handle.fallBack ? FileIdentity::of(path) : std::nullopt;
    // The name runs to the end of the path, whose bytes end with a zero.
    return FileIdentity::of(path.constData() + slash + 1, handle.fd);
}

FolderHandles::Handle& FolderHandles::handleOf(QByteArrayView folder)
{
    for (size_t i = 0; i < m_used; ++i) {
        if (m_handles[i].folder == folder)
            return m_handles[i];
    }
    Handle* taken = nullptr;
    if (m_used < m_handles.size()) {
        taken = &m_handles[m_used++];
    } else {
        taken = &m_handles[m_next];
        m_next = (m_next + 1) % m_handles.size();
    }
    Handle& handle = *taken;
    if (handle.fd >= 0)
        ::close(handle.fd);
    handle.folder = folder.toByteArray();
    handle.fd = ::open(handle.folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    // Out of handles, the whole path still serves; any other failure means nothing can be
    // found inside (gone, not a folder, not reachable).
    handle.fallBack = handle.fd < 0 && (errno == EMFILE || errno == ENFILE || errno == ENOMEM);
    return handle;
}
