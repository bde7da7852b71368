#include "platform/linux/TerminationSignal.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int handled[] = {SIGTERM, SIGHUP, SIGINT};
// The write end, for the handler: a write is all a signal handler may safely do.
volatile std::sig_atomic_t writeEnd = -1;

void onSignal(int)
{
    const char byte = 1;
    if (writeEnd >= 0)
        (void)::write(writeEnd, &byte, 1);
}

} // namespace

TerminationSignal::TerminationSignal(QObject* parent)
    : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {}
        Q_EMIT received();
    });
    struct sigaction action
    {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Once: the next one takes its default course.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : handled)
        sigaction(signal, &action, nullptr);
}

TerminationSignal::~TerminationSignal()
{
    for (const int signal : handled)
        std::signal(signal, SIG_DFL);
    writeEnd = -1;
    for (const int fd : m_pipe) {
        if (fd >= 0)
            ::close(fd);
    }
}
