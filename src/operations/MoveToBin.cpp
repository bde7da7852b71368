#include "operations/MoveToBin.h"

#include "engine/StackManager.h"
#include "operations/Confirmation.h"
#include "operations/OperationsLog.h"
#include "operations/UndoState.h"
#include "platform/Alerts.h"
#include "platform/FileSystem.h"
#include "platform/TidoraError.h"
#include "store/QuotedList.h"

#include <QPointer>
#include <QSet>

namespace MoveToBin {

namespace {

Alert confirmation(qsizetype stacks, qsizetype files)
{
    const bool one = stacks == 1;
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.message = one ? QStringLiteral("Move this stack to the Bin?")
                        : QStringLiteral("Move ") + QString::number(stacks) +
                              QStringLiteral(" stacks to the Bin?");
    alert.informativeText =
        QString::number(files) + QLatin1Char(' ') +
        (files == 1 ? QStringLiteral("file or folder") : QStringLiteral("files or folders")) +
        QStringLiteral(" will move to the Bin. Their stack ") +
        (one ? QStringLiteral("icon") : QStringLiteral("icons")) +
        QStringLiteral(" will be removed. Restoring the items from the Bin won't recreate the ") +
        (one ? QStringLiteral("stack") : QStringLiteral("stacks")) + QLatin1Char('.');
    // Return cancels: this cannot be undone from here.
    alert.buttons = {QStringLiteral("Cancel"), QStringLiteral("Move to Bin")};
    alert.defaultButton = 0;
    return alert;
}

// Trashes the stack's files that are where it keeps them; answers the names of the others.
QStringList trashStack(StackManager& manager, const DesktopStack& stack)
{
    FileSystem& fs = manager.fm();
    // Of the places a stack's files may be, only where it keeps them now: a file the user took
    // out of the stack folder onto the Desktop is not thrown away with the stack.
    const QString expected = stack.state == StackState::collapsed
                                 ? fs.resolved(manager.folders().stackFolderURL(stack))
                                 : manager.resolvedDesktopFolder();
    const QList<std::optional<QString>> paths = manager.resolvedItems(stack);
    QStringList failedNames;
    QList<StackItem> kept;
    for (qsizetype i = 0; i < stack.items.size(); ++i) {
        const StackItem& item = stack.items.at(i);
        const std::optional<QString>& path = paths.at(i);
        if (!path || fs.resolvedParent(*path) != expected) {
            kept.append(item);
            failedNames.append(item.name);
            continue;
        }
        if (const Status trashed = fs.moveToTrash(*path, nullptr); !trashed) {
            qCWarning(lcOperations).noquote() << QStringLiteral("Tidorama: could not move ") +
                                                     *path + QStringLiteral(" to the Bin: ") +
                                                     trashed.description();
            kept.append(item);
            failedNames.append(item.name);
        }
    }
    if (kept.isEmpty()) {
        manager.removeStack(stack.id, true);
    } else {
        DesktopStack rest = stack;
        rest.items = std::move(kept);
        manager.storeStack(rest);
    }
    return failedNames;
}

} // namespace

void moveStacksToBin(StackManager& manager, const QList<QUuid>& ids)
{
    if (manager.undoState().isWorking())
        return;
    const QSet<QUuid> wanted(ids.cbegin(), ids.cend());
    QList<QUuid> collected;
    qsizetype files = 0;
    for (const DesktopStack& stack : manager.stacks()) {
        if (wanted.contains(stack.id)) {
            collected.append(stack.id);
            files += stack.items.size();
        }
    }
    if (collected.isEmpty())
        return;
    Alerts& alerts = manager.services().alerts;
    if (!confirmed(alerts, confirmation(collected.size(), files), 1))
        return;

    QStringList failedNames;
    // The alerts run the event loop: the manager may go, and the stacks change, meanwhile.
    const QPointer<StackManager> alive(&manager);
    for (const QUuid& id : std::as_const(collected)) {
        if (!alive)
            return;
        if (const std::optional<DesktopStack> stack = manager.stackWithID(id))
            failedNames.append(trashStack(manager, *stack));
    }
    if (alive && !failedNames.isEmpty())
        alerts.showError(TidoraError{
            ErrorCode::notMovedToBin,
            QStringLiteral("Some items couldn't be moved to the Bin and remain in their stacks: ") +
                quotedList(failedNames) + QLatin1Char('.')});
}

} // namespace MoveToBin
