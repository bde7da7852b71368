#include "engine/StackWindows.h"

#include "engine/StackFiles.h"
#include "engine/StackWindowFactory.h"
#include "engine/StackWindowHost.h"
#include "engine/StackWindowPort.h"
#include "platform/Scheduler.h"
#include "store/DesktopStack.h"

StackWindows::StackWindows(StackWindowFactory& factory, HostMaker makeHost, const StackFiles& files,
                           Scheduler& scheduler)
    : m_factory(factory)
    , m_makeHost(std::move(makeHost))
    , m_files(files)
    , m_scheduler(scheduler)
    , m_cleanup(std::make_unique<QObject>())
{}

StackWindows::~StackWindows()
{
    clear();
}

void StackWindows::clear()
{
    m_windows.clear();
    m_closedWindows.clear();
}

StackWindowPort* StackWindows::window(const QUuid& id) const
{
    const auto found = m_windows.find(id);
    return found == m_windows.end() ? nullptr : found->second.get();
}

QList<QUuid> StackWindows::windowIDs() const
{
    QList<QUuid> ids;
    ids.reserve(qsizetype(m_windows.size()));
    for (const auto& [id, window] : m_windows)
        ids.append(id);
    return ids;
}

StackWindowPort& StackWindows::showWindow(const DesktopStack& stack)
{
    return showWindow(stack, m_files.resolvedFiles(stack));
}

StackWindowPort& StackWindows::showWindow(const DesktopStack& stack, const QStringList& files)
{
    std::unique_ptr<StackWindowPort>& slot = m_windows[stack.id];
    if (!slot)
        slot = m_factory.createWindow(stack.id, m_makeHost());
    StackWindowPort& window = *slot;
    window.update(stack, files);
    const QPointF origin = window.frameOrigin();
    if (origin.x() != stack.windowOrigin.x() || origin.y() != stack.windowOrigin.y())
        window.setFrameOrigin(stack.windowOrigin);
    window.orderFront();
    return window;
}

bool StackWindows::closeWindow(const QUuid& id)
{
    const auto found = m_windows.find(id);
    if (found == m_windows.end())
        return false;
    std::unique_ptr<StackWindowPort> window = std::move(found->second);
    m_windows.erase(found);
    window->close();
    m_closedWindows.push_back(std::move(window));
    m_scheduler.soon(m_cleanup.get(), [this] { m_closedWindows.clear(); });
    return true;
}

void StackWindows::publishSelection(const QSet<QUuid>& selection)
{
    for (const auto& [id, window] : m_windows)
        window->setSelected(selection.contains(id));
}
