#include "operations/StackRenamer.h"

#include "engine/StackRecords.h"
#include "engine/StackWindows.h"
#include "platform/Alerts.h"

namespace {

// The name as typed, without the spaces and tabs at either end.
QString trimmedStackName(const QString& typed)
{
    const auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype begin = 0;
    qsizetype end = typed.size();
    while (begin < end && isBlank(typed.at(begin)))
        ++begin;
    while (end > begin && isBlank(typed.at(end - 1)))
        --end;
    return typed.mid(begin, end - begin);
}

} // namespace

StackRenamer::StackRenamer(StackRecords& records, StackWindows& windows, Alerts& alerts)
    : m_records(records)
    , m_windows(windows)
    , m_alerts(alerts)
{}

void StackRenamer::renameStack(const QUuid& id)
{
    const std::optional<DesktopStack> shown = m_records.withID(id);
    if (!shown)
        return;
    Alert alert;
    alert.message = QStringLiteral("Rename Stack");
    alert.textField = shown->name;
    alert.buttons = {QStringLiteral("Rename"), QStringLiteral("Cancel")};
    m_alerts.bringToFront();
    const AlertAnswer answer = m_alerts.run(alert);
    if (answer.button != 0)
        return;
    // The dialog lets other events run: the stack may have changed or gone meanwhile, and a
    // stale copy must neither bring it back nor undo what happened.
    std::optional<DesktopStack> current = m_records.withID(id);
    if (!current)
        return;
    const QString name = trimmedStackName(answer.text);
    if (!name.isEmpty())
        current->name = name;
    m_records.store(*current);
    m_windows.showWindow(*current);
}
