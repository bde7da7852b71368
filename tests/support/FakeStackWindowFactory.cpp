#include "FakeStackWindowFactory.h"

FakeStackWindowFactory::FakeStackWindowFactory(Scheduler& scheduler)
    : m_scheduler(scheduler)
{}

FakeStackWindowFactory::~FakeStackWindowFactory()
{
    // Windows that outlive the factory must not call back into it.
    for (FakeStackWindow* window : std::as_const(m_windows))
        window->forgetFactory();
}

std::unique_ptr<StackWindowPort>
FakeStackWindowFactory::createWindow(const QUuid& stackID, std::unique_ptr<StackWindowHost> host)
{
    ++created;
    auto window = std::make_unique<FakeStackWindow>(
        stackID, std::move(host), m_scheduler,
        [this](FakeStackWindow* gone) { m_windows.removeOne(gone); });
    m_windows.append(window.get());
    return window;
}

FakeStackWindow* FakeStackWindowFactory::window(const QUuid& stackID) const
{
    for (FakeStackWindow* window : m_windows) {
        if (window->stackID() == stackID && !window->closed)
            return window;
    }
    return nullptr;
}
