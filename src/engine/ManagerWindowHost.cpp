#include "engine/ManagerWindowHost.h"

#include "engine/EngineLog.h"
#include "engine/FolderSync.h"
#include "engine/StackManager.h"
#include "operations/UndoState.h"

namespace {
// Requests whose operations the manager does not offer yet end here, visibly in the log.
void notYet(const char* operation)
{
    qCWarning(lcEngine).noquote()
        << QStringLiteral("Tidorama: %1 is not available yet").arg(QLatin1String(operation));
}
} // namespace

ManagerWindowHost::ManagerWindowHost(StackManager& manager)
    : m_manager(&manager)
{}

QSet<QUuid> ManagerWindowHost::selection() const
{
    return m_manager ? m_manager->selection() : QSet<QUuid>();
}

void ManagerWindowHost::setSelection(const QSet<QUuid>& selection)
{
    if (!m_manager)
        return;
    m_manager->selection() = selection;
    m_manager->publishSelection();
}

bool ManagerWindowHost::toggleSelection(const QUuid& id)
{
    if (!m_manager)
        return false;
    QSet<QUuid>& selection = m_manager->selection();
    if (!selection.remove(id))
        selection.insert(id);
    m_manager->publishSelection();
    return selection.contains(id);
}

QList<QUuid> ManagerWindowHost::targetsOfWindowCommand(const QUuid& id) const
{
    if (!m_manager || !m_manager->selection().contains(id))
        return {id};
    QList<QUuid> targets;
    for (const DesktopStack& stack : m_manager->stacks()) {
        if (m_manager->selection().contains(stack.id))
            targets.append(stack.id);
    }
    return targets;
}

bool ManagerWindowHost::beginGroupDrag(const QUuid&)
{
    return false;
}

void ManagerWindowHost::windowMoved(const QUuid& id, QPointF origin)
{
    // Until group moves exist a move only records where the window stands.
    if (!m_manager)
        return;
    if (DesktopStack* stack = m_manager->findStack(id)) {
        stack->windowOrigin = origin;
        m_manager->recomputeFlags();
        m_manager->saveStackList();
    }
}

bool ManagerWindowHost::endGroupDrag()
{
    return false;
}

void ManagerWindowHost::toggle(const QUuid& id)
{
    if (!m_manager)
        return;
    const std::optional<DesktopStack> stack = m_manager->stackWithID(id);
    if (!stack)
        return;
    if (stack->state == StackState::expanded)
        restack(id, true);
    else
        spread(id, false);
}

void ManagerWindowHost::spread(const QUuid&, bool)
{
    if (m_manager)
        notYet("spreading");
}

void ManagerWindowHost::restack(const QUuid&, bool)
{
    if (m_manager)
        notYet("restacking");
}

void ManagerWindowHost::arrangeInGrid(const QUuid&)
{
    if (m_manager)
        notYet("arranging in a grid");
}

void ManagerWindowHost::addFiles(const QStringList&, const QUuid&)
{
    if (m_manager)
        notYet("adding files");
}

void ManagerWindowHost::syncWithFolder(const QUuid& id)
{
    if (m_manager)
        FolderSync::syncWithFolder(*m_manager, id);
}

void ManagerWindowHost::dissolveFromMenu(const QUuid&)
{
    if (m_manager)
        notYet("dissolving");
}

void ManagerWindowHost::dissolveAfterAnimation(const QUuid&)
{
    if (m_manager)
        notYet("dissolving");
}

void ManagerWindowHost::convertStacks(const QList<QUuid>&)
{
    if (m_manager)
        notYet("converting into folders");
}

void ManagerWindowHost::moveStacksToBin(const QList<QUuid>&)
{
    if (m_manager)
        notYet("moving to the Bin");
}

void ManagerWindowHost::renameStack(const QUuid&)
{
    if (m_manager)
        notYet("renaming");
}

bool ManagerWindowHost::isWorking() const
{
    return m_manager && m_manager->undoState().isWorking();
}
