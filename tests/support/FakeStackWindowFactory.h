#pragma once

#include "FakeStackWindow.h"
#include "engine/StackWindowFactory.h"

#include <QList>

class Scheduler;

// Makes FakeStackWindows and keeps track of the ones that still exist.
class FakeStackWindowFactory : public StackWindowFactory
{
public:
    explicit FakeStackWindowFactory(Scheduler& scheduler);
    ~FakeStackWindowFactory() override;

    std::unique_ptr<StackWindowPort> createWindow(const QUuid& stackID,
                                                  std::unique_ptr<StackWindowHost> host) override;

    // The live window of the stack that is not closed; null when there is none.
    FakeStackWindow* window(const QUuid& stackID) const;
    // Every live window, closed ones included, in order of creation.
    const QList<FakeStackWindow*>& windows() const { return m_windows; }
    int created = 0;

private:
    Scheduler& m_scheduler;
    QList<FakeStackWindow*> m_windows;
};
