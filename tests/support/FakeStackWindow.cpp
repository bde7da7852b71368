#include "FakeStackWindow.h"

#include "engine/DesktopCoordinates.h"
#include "platform/Scheduler.h"

FakeStackWindow::FakeStackWindow(const QUuid& stackID, std::unique_ptr<StackWindowHost> host,
                                 Scheduler& scheduler, Destroyed destroyed)
    : m_stackID(stackID)
    , m_host(std::move(host))
    , m_scheduler(scheduler)
    , m_destroyed(std::move(destroyed))
{}

FakeStackWindow::~FakeStackWindow()
{
    if (m_destroyed)
        m_destroyed(this);
}

void FakeStackWindow::update(const DesktopStack& shown, const QStringList& shownFiles)
{
    record = shown;
    files = shownFiles;
    ++updates;
}

void FakeStackWindow::setFrameOrigin(QPointF origin)
{
    m_origin = origin;
    ++originsSet;
}

QRectF FakeStackWindow::frame() const
{
    return DesktopCoordinates::windowFrame(m_origin);
}

void FakeStackWindow::startDissolveAnimation()
{
    ++dissolveAnimations;
    // Dropped when the window goes; a closed window's stack is gone already.
    m_scheduler.after(std::chrono::milliseconds(dissolveDelayMs), &m_animation, [this] {
        if (!closed)
            m_host->dissolveAfterAnimation(m_stackID);
    });
}
