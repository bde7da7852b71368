#include "FolderChanges.h"

#include <QFile>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace {

// One event is all it takes to know: the watch then goes, and is put back when asked, so a
// thousand files moved queue one event rather than a thousand.
constexpr uint32_t entryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                 IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_ONESHOT;

} // namespace

FolderChanges::FolderChanges(QString folder)
    : m_folder(std::move(folder))
    , m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{}

FolderChanges::~FolderChanges()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FolderChanges::changedSinceLastAsked()
{
    if (m_fd < 0)
        return true;
    drainEvents();
    if (m_watch >= 0)
        return false;
    // Watched from now on; what happened before is unknown.
    m_watch = ::inotify_add_watch(m_fd, QFile::encodeName(m_folder).constData(), entryEvents);
    return true;
}

void FolderChanges::drainEvents()
{
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
        const ssize_t size = ::read(m_fd, buffer, sizeof buffer);
        if (size < 0 && errno == EINTR)
            continue;
        if (size <= 0)
            return;
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            // Events of earlier watches are old news.
            if (event->wd == m_watch || (event->mask & IN_Q_OVERFLOW) != 0)
                m_watch = -1;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}
