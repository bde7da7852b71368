#include "engine/Stacking.h"

#include "engine/DesktopBridge.h"
#include "engine/DesktopCoordinates.h"
#include "engine/EngineLog.h"
#include "engine/FileKind.h"
#include "engine/StackManager.h"
#include "engine/StackWindowPort.h"
#include "operations/RunAsWork.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Screens.h"
#include "store/FirstRunChoice.h"
#include "store/StorageFolders.h"

#include <QFileInfo>

namespace Stacking {

namespace {

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

// The selection's outcome, back on the GUI thread.
void stackSelected(StackManager& manager, const BridgeResult<QList<DesktopFile>>& selection)
{
    Alerts& alerts = manager.services().alerts;
    if (!selection)
        return alerts.showError(selection.error().description());
    if (selection.value().isEmpty())
        return alerts.beep();
    stackFiles(manager, selection.value(), std::nullopt,
               defaultWindowOrigin(manager, selection.value()));
}

// Neither a storage folder nor hidden.
bool isStackable(const StackManager& manager, const QString& path)
{
    return !manager.isStorageFolder(path) && !fileName(path).startsWith(QLatin1Char('.')) &&
           !manager.services().desktop.isHiddenFile(path);
}

} // namespace

void stackSelection(StackManager& manager, WorkToken token)
{
    DesktopBridge& desktop = manager.services().desktop;
    manager.query<BridgeResult<QList<DesktopFile>>>(
        [&desktop] { return desktop.selectedFiles(); },
        [&manager](const BridgeResult<QList<DesktopFile>>& selection) {
            stackSelected(manager, selection);
        },
        std::move(token));
}

void stackFiles(StackManager& manager, const QList<DesktopFile>& files,
                const std::optional<QString>& name, QPointF windowOrigin)
{
    const Services& services = manager.services();
    QList<DesktopFile> kept;
    for (const DesktopFile& file : files) {
        if (isStackable(manager, file.path))
            kept.append(file);
    }
    if (kept.isEmpty())
        return services.alerts.beep();
    if (!manager.showFirstRunAlert(true))
        return;

    QStringList paths;
    for (const DesktopFile& file : std::as_const(kept))
        paths.append(file.path);
    DesktopStack stack;
    stack.id = QUuid::createUuid();
    stack.name = name ? *name : defaultStackName(manager, paths);
    stack.folderName = manager.folders().uniqueFolderName(stack.name);
    stack.state = StackState::collapsed;
    stack.windowOrigin = windowOrigin;

    // An icon whose position the desktop program does not know is recorded next to the
    // window, as a dropped file would be.
    const QPointF base = DesktopCoordinates::windowCentreOnDesktop(services.screens, windowOrigin);
    int unplaced = 0;
    for (const DesktopFile& file : std::as_const(kept)) {
        const std::optional<QByteArray> bookmark = services.bookmarks.make(file.path);
        if (!bookmark)
            continue;
        const QPointF position =
            file.position ? *file.position : base + QPointF(24, 24) * unplaced++;
        stack.items.append(
            StackItem{QUuid::createUuid(), fileName(file.path), *bookmark, position});
    }

    if (const Status gathered = gatherIntoFolder(manager, stack); !gathered)
        return services.alerts.showError(gathered.description());
    if (stack.items.isEmpty())
        discardEmptyStack(manager, stack);
    else
        manager.storeStack(stack);
}

void stackFilesAtPoint(StackManager& manager, const QList<DesktopFile>& files, QPointF point)
{
    const QPointF origin = point - QPointF(StackWindowPort::width / 2, StackWindowPort::height / 2);
    startWork(manager, std::chrono::milliseconds(0), [&manager, files, origin](WorkToken) {
        stackFiles(manager, files, std::nullopt, origin);
    });
}

QString defaultStackName(const StackManager& manager, const QStringList& paths)
{
    std::optional<FileKind> kind;
    bool mixed = false;
    for (const QString& path : paths) {
        const FileKind each = FileKinds::classify(path, manager.fm());
        if (kind && *kind != each)
            mixed = true;
        kind = each;
    }
    if (kind && !mixed && *kind != FileKind::other) {
        if (paths.size() == 1)
            return QStringLiteral("1 ") + FileKinds::singularLabel(*kind);
        return QString::number(paths.size()) + QLatin1Char(' ') + FileKinds::pluralLabel(*kind);
    }
    return QStringLiteral("Stack ") + QString::number(manager.stacks().size() + 1);
}

QPointF defaultWindowOrigin(const StackManager& manager, const QList<DesktopFile>& files)
{
    const Screens& screens = manager.services().screens;
    QPointF sum;
    int known = 0;
    for (const DesktopFile& file : files) {
        if (file.position) {
            sum += *file.position;
            ++known;
        }
    }
    const QPointF centre =
        known > 0 ? sum / known
                  : DesktopCoordinates::toDesktop(screens, screens.firstVisibleFrame()).center();
    return DesktopCoordinates::windowOriginCentredOn(screens, centre);
}

Status gatherIntoFolder(StackManager& manager, DesktopStack& stack)
{
    FileSystem& fs = manager.fm();
    Bookmarks& bookmarks = manager.services().bookmarks;
    StorageFolders& folders = manager.folders();
    const QString folder = folders.stackFolderURL(stack);
    if (Status made = folders.ensureStorageFolder(); !made)
        return made;
    if (Status made = folders.createStackFolder(folder); !made)
        return made;

    const QString inFolder = fs.resolved(folder);
    const QString onDesktop = manager.resolvedDesktopFolder();
    QList<StackItem> items;
    items.reserve(stack.items.size());
    for (StackItem item : std::as_const(stack.items)) {
        const std::optional<QString> path = manager.resolvedPath(item.bookmark);
        if (!path)
            continue;
        const QString parent = fs.resolvedParent(*path);
        if (parent == inFolder) {
            items.append(std::move(item));
            continue;
        }
        if (parent != onDesktop)
            continue;
        const QString destination = uniqueDestination(fs, folder, fileName(*path));
        if (const Status moved = fs.move(*path, destination); !moved) {
            qCWarning(lcEngine).noquote() << QStringLiteral("Tidorama: could not stack ") + *path +
                                                 QStringLiteral(": ") + moved.description();
            continue;
        }
        item.name = fileName(destination);
        if (std::optional<QByteArray> bookmark = bookmarks.make(destination))
            item.bookmark = std::move(*bookmark);
        items.append(std::move(item));
    }
    stack.items = std::move(items);
    stack.state = StackState::collapsed;
    return Status::success();
}

void discardEmptyStack(StackManager& manager, const DesktopStack& stack)
{
    manager.removeStackFolderIfEmpty(stack);
}

QString uniqueDestination(const FileSystem& fs, const QString& folder, const QString& name,
                          const QSet<QString>& reserved)
{
    const QString prefix = folder + QLatin1Char('/');
    const auto isFree = [&](const QString& candidate) {
        return !reserved.contains(candidate) && !fs.exists(prefix + candidate);
    };
    if (isFree(name))
        return prefix + name;
    const QString extension = FileKinds::pathExtension(name);
    const QString base = extension.isEmpty() ? name : name.left(name.size() - extension.size() - 1);
    const QString dotted = extension.isEmpty() ? QString() : QLatin1Char('.') + extension;
    for (int n = 2;; ++n) {
        const QString candidate =
            StorageFolders::fittedName(base, QLatin1Char(' ') + QString::number(n) + dotted);
        if (isFree(candidate))
            return prefix + candidate;
    }
}

} // namespace Stacking
