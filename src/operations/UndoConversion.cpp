#include "operations/UndoConversion.h"

#include "engine/DesktopBridge.h"
#include "engine/FolderNames.h"
#include "engine/StackManager.h"
#include "operations/Conversion.h"
#include "operations/ConvertToFolders.h"
#include "operations/OperationsLog.h"
#include "operations/RunAsWork.h"
#include "operations/UndoState.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/TidoraError.h"
#include "store/QuotedList.h"
#include "store/StorageFolders.h"

#include <QFileInfo>
#include <QPointer>
#include <QSet>

namespace UndoConversion {

namespace {

const QString dsStore = QStringLiteral(".DS_Store");

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

// What undoing the batch collects across its conversions.
struct Report
{
    QStringList missingNames;
    QList<NamedPosition> placements;
};

// A stack that comes back must not share a folder with a stack made since it was converted,
// gathered or spread alike: a spread one makes its folder again when it is gathered.
void chooseFolderName(StackManager& manager, DesktopStack& target)
{
    const QSet<QString> claimed = folderNames(manager.stacks());
    const bool taken = target.folderName && claimed.contains(*target.folderName);
    const bool missing = target.state == StackState::collapsed && !target.folderName;
    if (taken || missing)
        target.folderName = manager.folders().uniqueFolderName(target.name, claimed);
}

// The folder a collapsed target gathers its files in, made and protected.
Status prepareStackFolder(StackManager& manager, const DesktopStack& target)
{
    StorageFolders& folders = manager.folders();
    if (Status made = folders.ensureStorageFolder(); !made)
        return made;
    return folders.createStackFolder(folders.stackFolderURL(target));
}

// Deletes the converted folder when nothing but ".DS_Store" is in it (or it cannot be listed):
// those entries go, then the folder if it is empty by then. Never recursive.
void deleteIfEmpty(FileSystem& fs, const QString& folder)
{
    if (const std::optional<Listing> listing = fs.list(folder)) {
        if (listing->unnamed > 0)
            return;
        for (const QString& name : listing->names) {
            if (name != dsStore)
                return;
        }
        const QString path = folder + QLatin1Char('/') + dsStore;
        if (fs.exists(path) && !fs.isDirectory(path))
            (void)fs.removeFile(path);
    }
    (void)fs.removeEmptyFolder(folder);
}

void undoOne(StackManager& manager, const Conversion& conversion, Report& report)
{
    FileSystem& fs = manager.fm();
    const Services& services = manager.services();
    const std::optional<DesktopStack> current = manager.stackWithID(conversion.stack.id);
    const bool inStacks = current.has_value();
    DesktopStack target = current ? *current : conversion.stack;
    if (!inStacks) {
        target.items.clear();
        chooseFolderName(manager, target);
    }

    const bool toDesktop = target.state == StackState::expanded;
    QString destination = manager.files().desktopFolder();
    if (!toDesktop) {
        if (const Status prepared = prepareStackFolder(manager, target); !prepared) {
            manager.undoState().setLastConversion(manager.undoState().lastConversion() +
                                                  QList<Conversion>{conversion});
            services.alerts.showError(prepared.description());
            return;
        }
        destination = manager.folders().stackFolderURL(target);
    }

    // Every destination is chosen first, so that the desktop program can be told where icons
    // go before the files arrive.
    struct Planned
    {
        StackItem item;
        QString from;
        QString to;
    };
    QList<Planned> plan;
    QSet<QString> promised;
    const QString converted = fs.resolved(conversion.folder);
    // The files are looked for only in the folder the conversion made.
    QList<QByteArray> bookmarks;
    for (const StackItem& item : conversion.moved)
        bookmarks.append(item.bookmark);
    const QList<std::optional<QString>> paths = services.bookmarks.resolveAll(bookmarks);
    for (qsizetype i = 0; i < conversion.moved.size(); ++i) {
        const StackItem& item = conversion.moved.at(i);
        const std::optional<QString>& path = paths.at(i);
        if (!path || fs.resolvedParent(*path) != converted) {
            report.missingNames.append(item.name);
            continue;
        }
        const QString to =
            FolderNames::uniqueDestination(fs, destination, fileName(*path), promised);
        promised.insert(fileName(to));
        plan.append(Planned{item, *path, to});
    }
    if (toDesktop) {
        QList<NamedPosition> announced;
        for (const Planned& planned : std::as_const(plan))
            announced.append(NamedPosition{fileName(planned.to), planned.item.position});
        (void)services.desktop.announcePositions(announced);
    }

    for (Planned& planned : plan) {
        if (const Status moved = fs.move(planned.from, planned.to); !moved) {
            qCWarning(lcOperations).noquote() << QStringLiteral("Tidorama: could not undo ") +
                                                     planned.from + QStringLiteral(": ") +
                                                     moved.description();
            report.missingNames.append(planned.item.name);
            continue;
        }
        StackItem& item = planned.item;
        item.name = fileName(planned.to);
        if (std::optional<QByteArray> bookmark = services.bookmarks.make(planned.to))
            item.bookmark = std::move(*bookmark);
        target.items.append(item);
        if (toDesktop)
            report.placements.append(NamedPosition{item.name, item.position});
    }

    if (!target.items.isEmpty())
        manager.storeStack(target);
    else if (!inStacks && !toDesktop)
        manager.folders().removeStackFolderIfEmpty(target);
    deleteIfEmpty(fs, conversion.folder);
}

void undoNow(StackManager& manager)
{
    Alerts& alerts = manager.services().alerts;
    if (manager.undoState().lastConversion().isEmpty())
        return alerts.beep();
    const QList<Conversion> conversions = manager.undoState().lastConversion();
    manager.undoState().setLastConversion({});

    Report report;
    // An alert on the way runs the event loop, and the manager may go meanwhile.
    const QPointer<StackManager> alive(&manager);
    for (const Conversion& conversion : conversions) {
        if (!alive)
            return;
        undoOne(manager, conversion, report);
    }
    if (!alive)
        return;
    if (!report.placements.isEmpty())
        ConvertToFolders::placeIconsSoon(manager, report.placements);
    if (!report.missingNames.isEmpty())
        alerts.showError(TidoraError{
            ErrorCode::notPutBack,
            QStringLiteral("Some files weren't put back because they are no longer in the "
                           "folder: ") +
                quotedList(report.missingNames) + QLatin1Char('.')});
}

} // namespace

void undoLastConversion(StackManager& manager)
{
    runAsWork(manager, [&manager](WorkToken) { undoNow(manager); });
}

} // namespace UndoConversion
