#include "VirtualScheduler.h"

#include <algorithm>

void VirtualScheduler::after(std::chrono::milliseconds delay, QObject* context, Task task)
{
    m_delays.push_back(delay);
    schedule(delay, context, std::move(task));
}

void VirtualScheduler::inBackground(QObject* context, BackgroundWork work)
{
    m_delays.push_back(std::chrono::milliseconds(0));
    schedule(std::chrono::milliseconds(0), context, [this, work = std::move(work)] {
        m_inBackgroundWork = true;
        const Task apply = work();
        m_inBackgroundWork = false;
        if (apply)
            apply();
    });
}

void VirtualScheduler::schedule(std::chrono::milliseconds delay, QObject* context, Task task)
{
    m_queue.push_back(
        Entry{m_now + delay, m_order++, context, context != nullptr, std::move(task)});
}

void VirtualScheduler::advance(std::chrono::milliseconds span)
{
    const std::chrono::milliseconds end = m_now + span;
    for (;;) {
        auto next =
            std::min_element(m_queue.begin(), m_queue.end(), [](const Entry& a, const Entry& b) {
                return a.due != b.due ? a.due < b.due : a.order < b.order;
            });
        if (next == m_queue.end() || next->due > end)
            break;
        Entry entry = std::move(*next);
        m_queue.erase(next);
        m_now = std::max(m_now, entry.due);
        if (entry.hadContext && !entry.context)
            continue;
        entry.task();
    }
    m_now = end;
}

void VirtualScheduler::runUntilIdle(std::chrono::milliseconds limit)
{
    const std::chrono::milliseconds end = m_now + limit;
    while (!m_queue.empty() && m_now < end) {
        const auto next =
            std::min_element(m_queue.begin(), m_queue.end(),
                             [](const Entry& a, const Entry& b) { return a.due < b.due; });
        advance(std::max(next->due - m_now, std::chrono::milliseconds(0)));
    }
}
