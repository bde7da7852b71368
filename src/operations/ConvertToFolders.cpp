#include "operations/ConvertToFolders.h"

#include "engine/DesktopBridge.h"
#include "engine/DesktopCoordinates.h"
#include "engine/FolderNames.h"
#include "engine/StackManager.h"
#include "operations/Confirmation.h"
#include "operations/Conversion.h"
#include "operations/OperationsLog.h"
#include "operations/RunAsWork.h"
#include "operations/UndoState.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Scheduler.h"
#include "platform/TidoraError.h"
#include "platform/Wording.h"
#include "store/QuotedList.h"
#include "store/StorageFolders.h"

#include <QFileInfo>
#include <QPointer>

namespace ConvertToFolders {

namespace {

// What converting one stack left to report.
struct Outcome
{
    QStringList failedNames;
    // Why the stack's folder could not be made.
    std::optional<QString> error;
};

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

void logNotMoved(const QString& path, const Status& status)
{
    qCWarning(lcOperations).noquote() << QStringLiteral("Tidorama: could not move ") + path +
                                             QStringLiteral(" into a folder: ") +
                                             status.description();
}

// The folder a stack becomes: "TR_" and its name made safe, free on the Desktop.
QString folderFor(const StackManager& manager, const DesktopStack& stack)
{
    const QString name = StorageFolders::fittedName(
        QStringLiteral("TR_") + StorageFolders::sanitizedFolderName(stack.name), QString());
    return FolderNames::uniqueDestination(manager.fm(), manager.files().desktopFolder(), name);
}

Outcome convertOneStack(StackManager& manager, const QUuid& id, QList<Conversion>& conversions)
{
    Outcome outcome;
    const std::optional<DesktopStack> found = manager.stackWithID(id);
    if (!found)
        return outcome;
    const DesktopStack& stack = *found;
    const Services& services = manager.services();
    FileSystem& fs = manager.fm();
    const QPointF spot =
        DesktopCoordinates::windowCentreOnDesktop(services.screens, stack.windowOrigin);

    std::optional<Conversion> conversion;
    QList<StackItem> kept;
    const QList<std::optional<QString>> paths = manager.files().resolvedItems(stack);
    for (qsizetype i = 0; i < stack.items.size(); ++i) {
        const StackItem& item = stack.items.at(i);
        const std::optional<QString>& path = paths.at(i);
        if (!path)
            continue;
        if (!conversion) {
            const QString folder = folderFor(manager, stack);
            // Only a hint; the icon is placed again once the batch is done.
            (void)services.desktop.announcePositions({NamedPosition{fileName(folder), spot}});
            if (const Status made = fs.makeFolder(folder, false); !made) {
                logNotMoved(*path, made);
                outcome.error = QStringLiteral("The folder \u201C%1\u201D couldn't be made on your "
                                               "Desktop: %2")
                                    .arg(fileName(folder), made.description());
                return outcome;
            }
            conversion = Conversion{stack, folder, spot, {}};
            // Saved as emptied before the files move: after a stop part-way, the files still
            // in the stack's folder come back to it at the next launch, and those in the new
            // folder stay there, each listed once.
            DesktopStack leaving = stack;
            leaving.items.clear();
            manager.records().recordIntent(leaving);
        }
        const QString destination =
            FolderNames::uniqueDestination(fs, conversion->folder, fileName(*path));
        if (const Status moved = fs.move(*path, destination); !moved) {
            logNotMoved(*path, moved);
            kept.append(item);
            outcome.failedNames.append(item.name);
            continue;
        }
        StackItem inFolder = item;
        inFolder.name = fileName(destination);
        if (std::optional<QByteArray> bookmark = services.bookmarks.make(destination))
            inFolder.bookmark = std::move(*bookmark);
        conversion->moved.append(std::move(inFolder));
    }

    if (conversion)
        conversions.append(std::move(*conversion));
    if (kept.isEmpty()) {
        manager.removeStack(id, true);
    } else {
        DesktopStack rest = stack;
        rest.items = std::move(kept);
        manager.storeStack(rest);
    }
    return outcome;
}

void finish(StackManager& manager, const QList<Conversion>& conversions,
            const QStringList& failedNames)
{
    if (!conversions.isEmpty()) {
        QList<NamedPosition> placements;
        for (const Conversion& conversion : conversions)
            placements.append(NamedPosition{fileName(conversion.folder), conversion.spot});
        manager.undoState().setLastConversion(conversions);
        placeIconsSoon(manager, placements);
    }
    if (!failedNames.isEmpty())
        manager.services().alerts.showError(TidoraError{
            ErrorCode::notMovedIntoFolder,
            QStringLiteral("Some files couldn't be moved into a folder, so they stay in their "
                           "stack: ") +
                quotedList(failedNames) + QLatin1Char('.')});
}

} // namespace

void convertAll(StackManager& manager)
{
    Alerts& alerts = manager.services().alerts;
    const qsizetype count = manager.stacks().size();
    if (manager.undoState().isWorking() || count == 0)
        return alerts.beep();
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.message = count == 1 ? QStringLiteral("Convert the stack into a folder?")
                               : QStringLiteral("Convert all ") + QString::number(count) +
                                     QStringLiteral(" stacks into folders?");
    alert.informativeText =
        QStringLiteral("Each stack becomes a folder on your Desktop, named \u201CTR_\u201D and the "
                       "stack's name, with its files inside. The stacks are removed. You can undo "
                       "this from the ") +
        manager.services().wording.menuIcon + QLatin1Char('.');
    alert.buttons = {QStringLiteral("Convert"), QStringLiteral("Cancel")};
    alert.defaultButton = 0;
    if (!confirmed(alerts, alert))
        return;

    QList<QUuid> ids;
    for (const DesktopStack& stack : manager.stacks())
        ids.append(stack.id);
    runAsWork(manager, [&manager, ids](WorkToken) { convertStacks(manager, ids); });
}

void convertStacks(StackManager& manager, const QList<QUuid>& ids)
{
    QList<Conversion> conversions;
    QStringList failedNames;
    std::optional<QString> firstError;
    // A leftover report on the way runs the event loop, and the manager may go meanwhile.
    const QPointer<StackManager> alive(&manager);
    for (const QUuid& id : ids) {
        if (!alive)
            return;
        Outcome outcome = convertOneStack(manager, id, conversions);
        failedNames.append(outcome.failedNames);
        if (outcome.error && !firstError)
            firstError = std::move(outcome.error);
    }
    if (!alive)
        return;
    finish(manager, conversions, failedNames);
    if (firstError && alive)
        manager.services().alerts.showError(*firstError);
}

void placeIconsSoon(StackManager& manager, const QList<NamedPosition>& placements)
{
    manager.services().scheduler.after(
        std::chrono::milliseconds(500), &manager, [&manager, placements] {
            const BridgeResult<void> sent =
                manager.services().desktop.setDesktopPositions(placements);
            if (!sent)
                manager.services().alerts.showError(sent.error().description());
        });
}

} // namespace ConvertToFolders
