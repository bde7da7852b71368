#include "operations/FolderConversion.h"

#include "engine/DesktopBridge.h"
#include "engine/DesktopCoordinates.h"
#include "engine/FolderNames.h"
#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "engine/StackWindows.h"
#include "operations/AskToConfirm.h"
#include "operations/OperationsLog.h"
#include "operations/RunAsWork.h"
#include "operations/StackRemoval.h"
#include "operations/UndoState.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Scheduler.h"
#include "platform/TidoraError.h"
#include "platform/Wording.h"
#include "store/QuotedList.h"
#include "store/StorageFolders.h"

#include <QFileInfo>
#include <QPointer>

namespace {

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

} // namespace

FolderConversion::FolderConversion(StackRecords& records, StackWindows& windows,
                                   const StackFiles& files, StackRemoval& removal,
                                   FileSystem& fileSystem, Bookmarks& bookmarks,
                                   DesktopBridge& desktop, Alerts& alerts, Scheduler& scheduler,
                                   const Screens& screens, const Wording& wording, UndoState& state,
                                   QObject& context)
    : m_records(records)
    , m_windows(windows)
    , m_files(files)
    , m_removal(removal)
    , m_fileSystem(fileSystem)
    , m_bookmarks(bookmarks)
    , m_desktop(desktop)
    , m_alerts(alerts)
    , m_scheduler(scheduler)
    , m_screens(screens)
    , m_wording(wording)
    , m_state(state)
    , m_context(context)
{}

// The folder a stack becomes: "TR_" and its name made safe, free on the Desktop.
QString FolderConversion::folderFor(const DesktopStack& stack) const
{
    const QString name = StorageFolders::fittedName(
        QStringLiteral("TR_") + StorageFolders::sanitizedFolderName(stack.name), QString());
    return FolderNames::uniqueDestination(m_fileSystem, m_files.desktopFolder(), name);
}

FolderConversion::Outcome FolderConversion::convertOneStack(const QUuid& id,
                                                            QList<Conversion>& conversions)
{
    Outcome outcome;
    const std::optional<DesktopStack> found = m_records.withID(id);
    if (!found)
        return outcome;
    const DesktopStack& stack = *found;
    FileSystem& fs = m_fileSystem;
    const QPointF spot = DesktopCoordinates::windowCentreOnDesktop(m_screens, stack.windowOrigin);

    std::optional<Conversion> conversion;
    QList<StackItem> kept;
    const QList<std::optional<QString>> paths = m_files.resolvedItems(stack);
    for (qsizetype i = 0; i < stack.items.size(); ++i) {
        const StackItem& item = stack.items.at(i);
        const std::optional<QString>& path = paths.at(i);
        if (!path)
            continue;
        if (!conversion) {
            const QString folder = folderFor(stack);
            // Only a hint; the icon is placed again once the batch is done.
            (void)m_desktop.announcePositions({NamedPosition{fileName(folder), spot}});
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
            m_records.recordIntent(leaving);
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
        if (std::optional<QByteArray> bookmark = m_bookmarks.make(destination))
            inFolder.bookmark = std::move(*bookmark);
        conversion->moved.append(std::move(inFolder));
    }

    if (conversion)
        conversions.append(std::move(*conversion));
    if (kept.isEmpty()) {
        m_removal.removeStack(id, true);
    } else {
        DesktopStack rest = stack;
        rest.items = std::move(kept);
        m_records.store(rest);
        m_windows.showWindow(rest);
    }
    return outcome;
}

void FolderConversion::finish(const QList<Conversion>& conversions, const QStringList& failedNames)
{
    if (!conversions.isEmpty()) {
        QList<NamedPosition> placements;
        for (const Conversion& conversion : conversions)
            placements.append(NamedPosition{fileName(conversion.folder), conversion.spot});
        m_state.setLastConversion(conversions);
        placeIconsSoon(placements);
    }
    if (!failedNames.isEmpty())
        m_alerts.showError(TidoraError{
            ErrorCode::notMovedIntoFolder,
            QStringLiteral("Some files couldn't be moved into a folder, so they stay in their "
                           "stack: ") +
                quotedList(failedNames) + QLatin1Char('.')});
}

void FolderConversion::convertAll()
{
    const qsizetype count = m_records.all().size();
    if (m_state.isWorking() || count == 0)
        return m_alerts.beep();
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.message = count == 1 ? QStringLiteral("Convert the stack into a folder?")
                               : QStringLiteral("Convert all ") + QString::number(count) +
                                     QStringLiteral(" stacks into folders?");
    alert.informativeText =
        QStringLiteral("Each stack becomes a folder on your Desktop, named \u201CTR_\u201D and the "
                       "stack's name, with its files inside. The stacks are removed. You can undo "
                       "this from the ") +
        m_wording.menuIcon + QLatin1Char('.');
    alert.buttons = {QStringLiteral("Convert"), QStringLiteral("Cancel")};
    alert.defaultButton = 0;
    if (!askToConfirm(m_alerts, alert))
        return;

    const QList<QUuid> ids = m_records.ids();
    runAsWork(m_scheduler, m_state, m_context,
              [this, ids](const WorkToken&) { convertStacks(ids); });
}

void FolderConversion::convertStacks(const QList<QUuid>& ids)
{
    QList<Conversion> conversions;
    QStringList failedNames;
    std::optional<QString> firstError;
    // A leftover report on the way runs the event loop, and the owner may go meanwhile.
    const QPointer<QObject> alive(&m_context);
    for (const QUuid& id : ids) {
        if (!alive)
            return;
        Outcome outcome = convertOneStack(id, conversions);
        failedNames.append(outcome.failedNames);
        if (outcome.error && !firstError)
            firstError = std::move(outcome.error);
    }
    if (!alive)
        return;
    finish(conversions, failedNames);
    if (firstError && alive)
        m_alerts.showError(*firstError);
}

void FolderConversion::placeIconsSoon(const QList<NamedPosition>& placements)
{
    m_scheduler.after(std::chrono::milliseconds(500), &m_context, [this, placements] {
        const BridgeResult<void> sent = m_desktop.setDesktopPositions(placements);
        if (!sent)
            m_alerts.showError(sent.error().description());
    });
}
