#include "engine/ManagerWindowHost.h"

#include "engine/FileAdder.h"
#include "engine/FolderSync.h"
#include "engine/Spreader.h"
#include "engine/StackManager.h"
#include "engine/StackRecords.h"
#include "engine/StackSelection.h"
#include "operations/BinMover.h"
#include "operations/Dissolver.h"
#include "operations/FolderConversion.h"
#include "operations/StackRenamer.h"
#include "operations/UndoState.h"

ManagerWindowHost::ManagerWindowHost(StackManager& manager)
    : m_manager(&manager)
    , m_operations(manager.operations())
{}

QSet<QUuid> ManagerWindowHost::selection() const
{
    return m_manager ? m_operations.selection.selected() : QSet<QUuid>();
}

void ManagerWindowHost::selectOnly(const QUuid& id)
{
    if (m_manager)
        m_operations.selection.selectOnly(id);
}

void ManagerWindowHost::selectIfNeeded(const QUuid& id)
{
    if (m_manager)
        m_operations.selection.selectIfNeeded(id);
}

bool ManagerWindowHost::toggleSelection(const QUuid& id)
{
    return m_manager && m_operations.selection.toggleSelection(id);
}

QList<QUuid> ManagerWindowHost::targetsOfWindowCommand(const QUuid& id) const
{
    return m_manager ? m_operations.dissolver.targetsOfWindowCommand(id) : QList<QUuid>{id};
}

bool ManagerWindowHost::beginGroupDrag(const QUuid& id)
{
    return m_manager && m_operations.selection.beginGroupDrag(id);
}

void ManagerWindowHost::windowMoved(const QUuid& id, QPointF origin)
{
    if (m_manager)
        m_operations.selection.windowMoved(id, origin);
}

bool ManagerWindowHost::endGroupDrag()
{
    return m_manager && m_operations.fileAdder.mergeDropped(m_operations.selection.endGroupDrag());
}

void ManagerWindowHost::toggle(const QUuid& id)
{
    if (!m_manager)
        return;
    const std::optional<DesktopStack> stack = m_operations.records.withID(id);
    if (!stack)
        return;
    if (stack->state == StackState::expanded)
        m_operations.spreader.restack(id, true);
    else
        m_operations.spreader.spread(id, false);
}

void ManagerWindowHost::spread(const QUuid& id, bool inGrid)
{
    if (m_manager)
        m_operations.spreader.spread(id, inGrid);
}

void ManagerWindowHost::restack(const QUuid& id, bool letMovedLeave)
{
    if (m_manager)
        m_operations.spreader.restack(id, letMovedLeave);
}

void ManagerWindowHost::arrangeInGrid(const QUuid& id)
{
    if (m_manager)
        m_operations.spreader.arrangeInGrid(id);
}

void ManagerWindowHost::addFiles(const QStringList& paths, const QUuid& id)
{
    if (m_manager)
        m_operations.fileAdder.addFiles(paths, id);
}

void ManagerWindowHost::syncWithFolder(const QUuid& id)
{
    if (m_manager)
        m_operations.folderSync.syncWithFolder(id);
}

void ManagerWindowHost::dissolveFromMenu(const QUuid& id)
{
    if (m_manager)
        m_operations.dissolver.dissolveFromMenu(id);
}

void ManagerWindowHost::dissolveAfterAnimation(const QUuid& id)
{
    if (m_manager)
        m_operations.dissolver.dissolveAfterAnimation(id);
}

void ManagerWindowHost::convertStacks(const QList<QUuid>& ids)
{
    if (m_manager)
        m_operations.conversion.convertStacks(ids);
}

void ManagerWindowHost::moveStacksToBin(const QList<QUuid>& ids)
{
    if (m_manager)
        m_operations.binMover.moveStacksToBin(ids);
}

void ManagerWindowHost::renameStack(const QUuid& id)
{
    if (m_manager)
        m_operations.renamer.renameStack(id);
}

bool ManagerWindowHost::isWorking() const
{
    return m_manager && m_operations.undoState.isWorking();
}
