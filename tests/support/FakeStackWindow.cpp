#include "FakeStackWindow.h"

#include "engine/DesktopCoordinates.h"
#include "engine/StackManager.h"
#include "platform/Scheduler.h"

FakeStackWindow::FakeStackWindow(const QUuid& stackID, StackManager& manager, Destroyed destroyed)
    : m_stackID(stackID)
    , m_manager(&manager)
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
    if (!m_manager)
        return;
    const QUuid id = m_stackID;
    StackManager* manager = m_manager;
    // Held by the manager: dropped when it goes. The window itself may be gone by then.
    manager->services().scheduler.after(std::chrono::milliseconds(dissolveDelayMs), manager,
                                        [manager, id] {
                                            if (manager->windows().window(id))
                                                manager->dissolveAfterAnimation(id);
                                        });
}
