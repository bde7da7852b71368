#include "engine/StackRecords.h"

#include "operations/UndoState.h"
#include "platform/Alerts.h"
#include "platform/Paths.h"
#include "platform/Scheduler.h"
#include "platform/TidoraError.h"
#include "store/StackListFile.h"

#include <algorithm>
#include <chrono>

StackRecords::StackRecords(StackListFile& file, UndoState& undoState, const Paths& paths,
                           Alerts& alerts, Scheduler& scheduler, QObject& context)
    : m_file(file)
    , m_undoState(undoState)
    , m_paths(paths)
    , m_alerts(alerts)
    , m_scheduler(scheduler)
    , m_context(&context)
{}

DesktopStack* StackRecords::find(const QUuid& id)
{
    for (DesktopStack& stack : m_stacks) {
        if (stack.id == id)
            return &stack;
    }
    return nullptr;
}

std::optional<DesktopStack> StackRecords::withID(const QUuid& id) const
{
    for (const DesktopStack& stack : m_stacks) {
        if (stack.id == id)
            return stack;
    }
    return std::nullopt;
}

QList<QUuid> StackRecords::ids() const
{
    QList<QUuid> ids;
    ids.reserve(m_stacks.size());
    for (const DesktopStack& stack : m_stacks)
        ids.append(stack.id);
    return ids;
}

std::optional<DesktopStack> StackRecords::take(const QUuid& id)
{
    for (qsizetype i = 0; i < m_stacks.size(); ++i) {
        if (m_stacks.at(i).id == id)
            return m_stacks.takeAt(i);
    }
    return std::nullopt;
}

void StackRecords::replaceAll(QList<DesktopStack> stacks)
{
    m_stacks = std::move(stacks);
}

void StackRecords::put(const DesktopStack& stack)
{
    if (DesktopStack* existing = find(stack.id))
        *existing = stack;
    else
        m_stacks.append(stack);
}

void StackRecords::store(const DesktopStack& stack)
{
    const auto same = std::find_if(m_stacks.cbegin(), m_stacks.cend(),
                                   [&stack](const DesktopStack& s) { return s.id == stack.id; });
    if (m_saved && same != m_stacks.cend() && *same == stack && *m_saved == m_stacks) {
        refreshFlags();
        return;
    }
    const bool afterIntent = m_intent == stack.id;
    put(stack);
    refreshFlags();
    save(afterIntent ? StackListFile::Durability::replaced : StackListFile::Durability::flushed);
}

void StackRecords::recordIntent(const DesktopStack& stack)
{
    put(stack);
    save();
    if (m_saved)
        m_intent = stack.id;
}

void StackRecords::refreshFlags()
{
    m_undoState.recomputeStackFlags(m_stacks);
}

void StackRecords::save()
{
    save(StackListFile::Durability::flushed);
}

void StackRecords::save(StackListFile::Durability durability)
{
    m_intent.reset();
    const Status saved = m_file.saveStackList(m_stacks, durability);
    m_saved = saved ? std::optional<QList<DesktopStack>>(m_stacks) : std::nullopt;
    if (saved) {
        m_toldUnsaved = false;
        return;
    }
    // Told once until a save succeeds again, after the operation that saved has finished.
    if (m_toldUnsaved || !m_context)
        return;
    m_toldUnsaved = true;
    QString reason = saved.description().trimmed();
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    const QString text =
        QStringLiteral("Tidora could not save its list of stacks in ") +
        m_paths.displayPath(m_paths.dataFolder()) + QStringLiteral(": ") + reason +
        QStringLiteral(". Your files are where the stacks show them; if Tidora stops before the "
                       "list can be saved, it finds them again in the stack folders.");
    Alerts& alerts = m_alerts;
    m_scheduler.after(std::chrono::milliseconds(0), m_context.data(), [&alerts, text] {
        alerts.showError(TidoraError{ErrorCode::stacksNotSaved, text});
    });
}
