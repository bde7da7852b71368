#include "operations/MenuBarIcon.h"

#include "operations/MenuBarIconView.h"
#include "platform/Scheduler.h"

#include <cmath>

using std::chrono::milliseconds;

MenuBarIcon::MenuBarIcon(Scheduler& scheduler, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
{}

MenuBarIcon::~MenuBarIcon() = default;

void MenuBarIcon::setWorking(bool working)
{
    m_timer.reset();
    if (!working) {
        show(idleFrame);
        return;
    }
    show(0);
    m_timer = std::make_unique<QObject>();
    scheduleTick(m_timer.get(), 1);
}

void MenuBarIcon::setView(MenuBarIconView* view)
{
    m_view = view;
    if (!m_view)
        return;
    if (m_frame == idleFrame)
        m_view->showIdle();
    else
        m_view->showWorkingFrame(m_frame);
}

void MenuBarIcon::show(int frame)
{
    m_frame = frame;
    if (m_view) {
        if (frame == idleFrame)
            m_view->showIdle();
        else
            m_view->showWorkingFrame(frame);
    }
    Q_EMIT imageChanged(frame);
}

void MenuBarIcon::scheduleTick(QObject* timer, int tick)
{
    // Tick n is due at n/12 s after the start; whole milliseconds from the start keep the
    // rate exact instead of letting 83 ms steps drift. The steps repeat every three ticks, so
    // the count wraps with the frames.
    const auto due = [](int n) { return milliseconds(std::lround(n * 1000.0 / frameCount)); };
    m_scheduler.after(due(tick) - due(tick - 1), timer, [this, timer, tick] {
        show((m_frame + 1) % frameCount);
        scheduleTick(timer, tick % frameCount + 1);
    });
}
