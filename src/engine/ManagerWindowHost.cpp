#include "engine/ManagerWindowHost.h"

#include "engine/StackManager.h"
#include "operations/UndoState.h"

ManagerWindowHost::ManagerWindowHost(StackManager& manager)
    : m_manager(&manager)
{}

QSet<QUuid> ManagerWindowHost::selection() const
{
    return m_manager ? m_manager->selection().selected() : QSet<QUuid>();
}

void ManagerWindowHost::selectOnly(const QUuid& id)
{
    if (m_manager)
        m_manager->selection().selectOnly(id);
}

void ManagerWindowHost::selectIfNeeded(const QUuid& id)
{
    if (m_manager)
        m_manager->selection().selectIfNeeded(id);
}

bool ManagerWindowHost::toggleSelection(const QUuid& id)
{
    return m_manager && m_manager->selection().toggleSelection(id);
}

QList<QUuid> ManagerWindowHost::targetsOfWindowCommand(const QUuid& id) const
{
    return m_manager ? m_manager->targetsOfWindowCommand(id) : QList<QUuid>{id};
}

bool ManagerWindowHost::beginGroupDrag(const QUuid& id)
{
    return m_manager && m_manager->selection().beginGroupDrag(id);
}

void ManagerWindowHost::windowMoved(const QUuid& id, QPointF origin)
{
    if (m_manager)
        m_manager->selection().windowMoved(id, origin);
}

bool ManagerWindowHost::endGroupDrag()
{
    return m_manager && m_manager->endGroupDrag();
}

void ManagerWindowHost::toggle(const QUuid& id)
{
    if (!m_manager)
        return;
    const std::optional<DesktopStack> stack = m_manager->stackWithID(id);
    if (!stack)
        return;
    if (stack->state == StackState::expanded)
        m_manager->restack(id, true);
    else
        m_manager->spread(id, false);
}

void ManagerWindowHost::spread(const QUuid& id, bool inGrid)
{
    if (m_manager)
        m_manager->spread(id, inGrid);
}

void ManagerWindowHost::restack(const QUuid& id, bool letMovedLeave)
{
    if (m_manager)
        m_manager->restack(id, letMovedLeave);
}

void ManagerWindowHost::arrangeInGrid(const QUuid& id)
{
    if (m_manager)
        m_manager->arrangeInGrid(id);
}

void ManagerWindowHost::addFiles(const QStringList& paths, const QUuid& id)
{
    if (m_manager)
        m_manager->addFiles(paths, id);
}

void ManagerWindowHost::syncWithFolder(const QUuid& id)
{
    if (m_manager)
        m_manager->syncWithFolder(id);
}

void ManagerWindowHost::dissolveFromMenu(const QUuid& id)
{
    if (m_manager)
        m_manager->dissolveFromMenu(id);
}

void ManagerWindowHost::dissolveAfterAnimation(const QUuid& id)
{
    if (m_manager)
        m_manager->dissolveAfterAnimation(id);
}

void ManagerWindowHost::convertStacks(const QList<QUuid>& ids)
{
    if (m_manager)
        m_manager->convertStacks(ids);
}

void ManagerWindowHost::moveStacksToBin(const QList<QUuid>& ids)
{
    if (m_manager)
        m_manager->moveStacksToBin(ids);
}

void ManagerWindowHost::renameStack(const QUuid& id)
{
    if (m_manager)
        m_manager->renameStack(id);
}

bool ManagerWindowHost::isWorking() const
{
    return m_manager && m_manager->undoState().isWorking();
}
