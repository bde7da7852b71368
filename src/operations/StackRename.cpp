#include "operations/StackRename.h"

#include "engine/StackManager.h"
#include "platform/Alerts.h"

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

void renameStack(StackManager& manager, const QUuid& id)
{
    const std::optional<DesktopStack> shown = manager.stackWithID(id);
    if (!shown)
        return;
    Alerts& alerts = manager.services().alerts;
    Alert alert;
    alert.message = QStringLiteral("Rename Stack");
    alert.textField = shown->name;
    alert.buttons = {QStringLiteral("Rename"), QStringLiteral("Cancel")};
    alerts.bringToFront();
    const AlertAnswer answer = alerts.run(alert);
    if (answer.button != 0)
        return;
    // The dialog lets other events run: the stack may have changed or gone meanwhile, and a
    // stale copy must neither bring it back nor undo what happened.
    std::optional<DesktopStack> current = manager.stackWithID(id);
    if (!current)
        return;
    const QString name = trimmedStackName(answer.text);
    if (!name.isEmpty())
        current->name = name;
    manager.storeStack(*current);
}
