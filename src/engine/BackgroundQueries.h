#pragma once

#include "operations/WorkTicket.h"
#include "platform/Scheduler.h"

#include <QObject>

#include <functional>
#include <map>

// Runs a query on a worker thread and applies its result on the GUI thread, unless the owner is
// gone by then. The token of the work a query belongs to stays on the GUI thread and is let go
// after the result has been applied.
class BackgroundQueries : public QObject
{
public:
    explicit BackgroundQueries(Scheduler& scheduler)
        : m_scheduler(scheduler)
    {}

    template<typename T>
    void query(std::function<T()> work, std::function<void(const T&)> apply,
               WorkToken token = nullptr);

private:
    quint64 hold(WorkToken token);
    WorkToken release(quint64 key);

    Scheduler& m_scheduler;
    // Tokens of work waiting for a query, by key.
    std::map<quint64, WorkToken> m_held;
    quint64 m_nextKey = 1;
};

inline quint64 BackgroundQueries::hold(WorkToken token)
{
    if (!token)
        return 0;
    const quint64 key = m_nextKey++;
    m_held.emplace(key, std::move(token));
    return key;
}

inline WorkToken BackgroundQueries::release(quint64 key)
{
    const auto found = m_held.find(key);
    if (found == m_held.end())
        return nullptr;
    WorkToken token = std::move(found->second);
    m_held.erase(found);
    return token;
}

template<typename T>
void BackgroundQueries::query(std::function<T()> work, std::function<void(const T&)> apply,
                              WorkToken token)
{
    const quint64 key = hold(std::move(token));
    // Only `work` runs on the worker thread; the result is applied on the GUI thread alone.
    m_scheduler.inBackground(
        this, [this, work = std::move(work), apply = std::move(apply), key]() -> Scheduler::Task {
            T result = work();
            return [this, apply, key, result = std::move(result)] {
                const WorkToken held = release(key);
                apply(result);
            };
        });
}
