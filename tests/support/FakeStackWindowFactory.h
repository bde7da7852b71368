#pragma once

#include "FakeStackWindow.h"
#include "engine/StackWindowFactory.h"

#include <QList>

// Makes FakeStackWindows and keeps track of the ones that still exist.
class FakeStackWindowFactory : public StackWindowFactory
{
public:
    ~FakeStackWindowFactory() override;

    std::unique_ptr<StackWindowPort> createWindow(const QUuid& stackID,
                                                  StackManager& manager) override;

    // The live window of the stack that is not closed; null when there is none.
    FakeStackWindow* window(const QUuid& stackID) const;
    // Every live window, closed ones included, in order of creation.
    const QList<FakeStackWindow*>& windows() const { return m_windows; }
    int created = 0;

private:
    QList<FakeStackWindow*> m_windows;
};
