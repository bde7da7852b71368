#include "engine/Stacking.h"

#include "engine/DesktopBridge.h"
#include "engine/DesktopCoordinates.h"
#include "engine/EngineLog.h"
#include "engine/FileKind.h"
#include "engine/FolderNames.h"
#include "engine/PathNames.h"
#include "engine/StackManager.h"
#include "engine/StackWindowPort.h"
#include "operations/RunAsWork.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Screens.h"
#include "store/FirstRunChoice.h"
#include "store/FreshIds.h"
#include "store/QuotedList.h"
#include "store/ResolvedFolders.h"
#include "store/StorageFolders.h"

#include <QHash>

#include <algorithm>

namespace Stacking {

namespace {

// stackFiles for files whose names can be read.
void stackReadable(StackManager& manager, const QList<DesktopFile>& files,
                   const std::optional<QString>& name, QPointF windowOrigin);

using PathNames::fileName;

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

// Whether what lies at a path (of this kind) is stackable: neither a storage folder nor hidden.
// The path is resolved in full only when it is a link; otherwise its folder's resolution serves
// every file in it.
bool isStackable(const StackManager& manager, const QString& path, EntryKind kind,
                 const QStringList& storage, ResolvedFolders& parents, HiddenLists& hidden)
{
    const QString name = fileName(path);
    if (name.startsWith(QLatin1Char('.')))
        return false;
    const FileSystem& fs = manager.fm();
    const QString resolved = kind == EntryKind::symbolicLink
                                 ? fs.resolved(path)
                                 : parents.parentOf(path) + QLatin1Char('/') + name;
    return !storage.contains(resolved) && !manager.services().desktop.isHiddenFile(path, hidden);
}

// "3 Screenshots" or "1 PDF" when every file is of one kind, else "Stack n".
template<typename IsDirectory>
QString nameForKinds(const StackManager& manager, const QStringList& paths, IsDirectory isDirectory)
{
    // Naming a stack of a thousand files asks the MIME database once per sort of file.
    QHash<QString, FileKind> known;
    std::optional<FileKind> kind;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString& path = paths.at(i);
        const QString sort = FileKinds::classificationKey(path, isDirectory(i));
        auto found = known.constFind(sort);
        if (found == known.cend())
            found = known.insert(sort, FileKinds::classify(path, manager.fm()));
        if (kind && *kind != *found)
            return QStringLiteral("Stack ") + QString::number(manager.stacks().size() + 1);
        kind = *found;
    }
    if (kind && *kind != FileKind::other) {
        if (paths.size() == 1)
            return QStringLiteral("1 ") + FileKinds::singularLabel(*kind);
        return QString::number(paths.size()) + QLatin1Char(' ') + FileKinds::pluralLabel(*kind);
    }
    return QStringLiteral("Stack ") + QString::number(manager.stacks().size() + 1);
}

} // namespace

void stackSelection(StackManager& manager, WorkToken token)
{
    DesktopBridge& desktop = manager.services().desktop;
    manager.queries().query<BridgeResult<QList<DesktopFile>>>(
        [&desktop] { return desktop.selectedFiles(); },
        [&manager](const BridgeResult<QList<DesktopFile>>& selection) {
            stackSelected(manager, selection);
        },
        std::move(token));
}

void stackFiles(StackManager& manager, const QList<DesktopFile>& files,
                const std::optional<QString>& name, QPointF windowOrigin)
{
    QList<DesktopFile> readable;
    QStringList unreadable;
    for (const DesktopFile& file : files) {
        if (file.unreadableName)
            unreadable.append(fileName(file.path));
        else
            readable.append(file);
    }
    if (!readable.isEmpty() || unreadable.isEmpty())
        stackReadable(manager, readable, name, windowOrigin);
    if (unreadable.isEmpty())
        return;
    manager.reports().tell(TidoraError{
        ErrorCode::filesNotMoved,
        (unreadable.size() == 1 ? QStringLiteral("This file cannot be stacked: ")
                                : QStringLiteral("These files cannot be stacked: ")) +
            quotedList(unreadable) +
            (unreadable.size() == 1
                 ? QStringLiteral(". Its name is not valid UTF-8 text, so Tidora could only find "
                                  "it again under a wrong name. Rename it in your file manager, "
                                  "then stack it.")
                 : QStringLiteral(". Their names are not valid UTF-8 text, so Tidora could only "
                                  "find them again under a wrong name. Rename them in your file "
                                  "manager, then stack them."))});
}

namespace {

void stackReadable(StackManager& manager, const QList<DesktopFile>& files,
                   const std::optional<QString>& name, QPointF windowOrigin)
{
    const Services& services = manager.services();
    const QStringList storage = manager.files().resolvedStorageFolders();
    ResolvedFolders parents(manager.fm());
    HiddenLists hidden;
    QStringList selected;
    selected.reserve(files.size());
    for (const DesktopFile& file : files)
        selected.append(file.path);
    const QList<EntryKind> kinds = manager.fm().kinds(selected);
    QList<DesktopFile> kept;
    QList<bool> directories;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const DesktopFile& file = files.at(i);
        if (isStackable(manager, file.path, kinds.at(i), storage, parents, hidden)) {
            kept.append(file);
            directories.append(kinds.at(i) == EntryKind::directory);
        }
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
    stack.name = name ? *name : nameForKinds(manager, paths, [&directories](qsizetype i) {
        return directories.at(i);
    });
    stack.folderName =
        manager.folders().uniqueFolderName(stack.name, folderNames(manager.stacks()));
    stack.state = StackState::collapsed;
    stack.windowOrigin = windowOrigin;

    // An icon whose position the desktop program does not know is recorded next to the
    // window, as a dropped file would be.
    const QPointF base = DesktopCoordinates::windowCentreOnDesktop(services.screens, windowOrigin);
    int unplaced = 0;
    FreshIds ids;
    QList<std::optional<QString>> current;
    const QList<std::optional<QByteArray>> bookmarks = services.bookmarks.makeAll(paths);
    for (qsizetype i = 0; i < kept.size(); ++i) {
        const DesktopFile& file = kept.at(i);
        const std::optional<QByteArray>& bookmark = bookmarks.at(i);
        if (!bookmark)
            continue;
        const QPointF position =
            file.position ? *file.position : base + QPointF(24, 24) * unplaced++;
        stack.items.append(StackItem{ids.next(), fileName(file.path), *bookmark, position});
        current.append(file.path);
    }

    // A file is an item of one stack only: stacking it takes it out of the one it was in.
    QSet<QString> taken;
    for (const std::optional<QString>& path : std::as_const(current))
        taken.insert(manager.fm().resolved(*path));
    const QList<TakenItem> others = takeFromOtherStacks(manager, taken, stack.id);

    // The record is saved before its files move, so that a stop part-way leaves a list that
    // says where they were going; the next launch gathers the rest.
    if (const Status ready = prepareFolder(manager, stack); !ready) {
        settleOtherStacks(manager, others, QStringList(taken.cbegin(), taken.cend()));
        return services.alerts.showError(ready.description());
    }
    manager.records().recordIntent(stack);
    QStringList gathered;
    GatherOutcome outcome;
    if (const Status done = gatherIntoFolder(manager, stack, current, gathered, &outcome); !done) {
        (void)manager.records().take(stack.id);
        manager.records().save();
        settleOtherStacks(manager, others, QStringList(taken.cbegin(), taken.cend()));
        return services.alerts.showError(done.description());
    }
    if (stack.items.isEmpty()) {
        (void)manager.records().take(stack.id);
        manager.records().save();
        discardEmptyStack(manager, stack);
    } else {
        manager.storeStack(stack, gathered);
    }
    settleOtherStacks(manager, others, outcome.failures.paths());
    if (!outcome.failures.isEmpty())
        manager.reports().tell(outcome.failures.error(outcome.asked, QStringLiteral("stacked"),
                                                      manager.files().desktopFolder(),
                                                      manager.folders()));
}

} // namespace

void stackFilesAtPoint(StackManager& manager, const QList<DesktopFile>& files, QPointF point)
{
    const QPointF origin = point - QPointF(StackWindowPort::width / 2, StackWindowPort::height / 2);
    startWork(
        manager.services().scheduler, manager.undoState(), manager, std::chrono::milliseconds(0),
        [&manager, files, origin](WorkToken) { stackFiles(manager, files, std::nullopt, origin); });
}

QString defaultStackName(const StackManager& manager, const QStringList& paths)
{
    return nameForKinds(manager, paths,
                        [&](qsizetype i) { return manager.fm().isDirectory(paths.at(i)); });
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
    // Renewed on a copy: a failure leaves the record as it was.
    DesktopStack renewed = stack;
    const QList<std::optional<QString>> current = manager.files().renewItems(renewed);
    QStringList gathered;
    const Status done = gatherIntoFolder(manager, renewed, current, gathered);
    if (done)
        stack = std::move(renewed);
    return done;
}

Status prepareFolder(StackManager& manager, const DesktopStack& stack)
{
    StorageFolders& folders = manager.folders();
    if (Status made = folders.ensureStorageFolder(); !made)
        return made;
    return folders.createStackFolder(folders.stackFolderURL(stack));
}

Status gatherIntoFolder(StackManager& manager, DesktopStack& stack,
                        const QList<std::optional<QString>>& current, QStringList& gathered,
                        GatherOutcome* outcome)
{
    FileSystem& fs = manager.fm();
    Bookmarks& bookmarks = manager.services().bookmarks;
    const QString folder = manager.folders().stackFolderURL(stack);
    if (Status made = prepareFolder(manager, stack); !made)
        return made;

    const QString inFolder = fs.resolved(folder);
    const QString onDesktop = manager.files().resolvedDesktopFolder();
    ResolvedFolders parents(fs);
    FolderNames names(fs, folder);
    QList<StackItem> items;
    items.reserve(stack.items.size());
    gathered.clear();
    for (qsizetype i = 0; i < stack.items.size(); ++i) {
        const std::optional<QString>& path = current.at(i);
        const bool keepElsewhere = outcome && outcome->keepElsewhere;
        if (!path) {
            if (keepElsewhere)
                items.append(stack.items.at(i));
            continue;
        }
        StackItem item = stack.items.at(i);
        const QString parent = parents.parentOf(*path);
        if (parent == inFolder || (parent != onDesktop && keepElsewhere)) {
            items.append(std::move(item));
            gathered.append(*path);
            continue;
        }
        if (parent != onDesktop)
            continue;
        QString destination = names.choose(fileName(*path));
        if (outcome)
            ++outcome->asked;
        if (const Status moved = names.moveThere(fs, *path, destination); !moved) {
            qCWarning(lcEngine).noquote() << QStringLiteral("Tidorama: could not stack ") + *path +
                                                 QStringLiteral(": ") + moved.description();
            if (outcome) {
                outcome->failures.add(*path, moved);
                if (outcome->keepUnmoved) {
                    items.append(std::move(item));
                    gathered.append(*path);
                }
            }
            continue;
        }
        if (outcome)
            ++outcome->moved;
        item.name = fileName(destination);
        if (std::optional<QByteArray> bookmark = bookmarks.moved(item.bookmark, destination))
            item.bookmark = std::move(*bookmark);
        items.append(std::move(item));
        gathered.append(destination);
    }
    stack.items = std::move(items);
    stack.state = StackState::collapsed;
    return Status::success();
}

QList<TakenItem> takeFromOtherStacks(StackManager& manager, const QSet<QString>& paths,
                                     const QUuid& except)
{
    QList<TakenItem> taken;
    if (paths.isEmpty())
        return taken;
    const FileSystem& fs = manager.fm();
    QList<QUuid> ids;
    for (const DesktopStack& stack : manager.stacks()) {
        if (stack.id != except)
            ids.append(stack.id);
    }
    for (const QUuid& id : std::as_const(ids)) {
        DesktopStack* stack = manager.records().find(id);
        const QList<std::optional<QString>> files = manager.files().resolvedItems(*stack);
        QList<StackItem> kept;
        for (qsizetype i = 0; i < stack->items.size(); ++i) {
            const std::optional<QString>& file = files.at(i);
            const QString resolved = file ? fs.resolved(*file) : QString();
            if (file && paths.contains(resolved))
                taken.append(TakenItem{id, i, stack->items.at(i), resolved});
            else
                kept.append(stack->items.at(i));
        }
        if (kept.size() != stack->items.size())
            stack->items = std::move(kept);
    }
    return taken;
}

void settleOtherStacks(StackManager& manager, const QList<TakenItem>& taken,
                       const QStringList& stayed)
{
    const FileSystem& fs = manager.fm();
    QSet<QString> unmoved;
    for (const QString& path : stayed)
        unmoved.insert(fs.resolved(path));
    QList<QUuid> changed;
    // Per stack, the items before this one that left for good: an item goes back where it was.
    QHash<QUuid, qsizetype> gone;
    for (const TakenItem& item : taken) {
        if (!changed.contains(item.stack))
            changed.append(item.stack);
        DesktopStack* stack = manager.records().find(item.stack);
        if (!stack || !unmoved.contains(item.path)) {
            ++gone[item.stack];
            continue;
        }
        stack->items.insert(std::min(item.index - gone.value(item.stack), stack->items.size()),
                            item.item);
    }
    for (const QUuid& id : std::as_const(changed)) {
        const std::optional<DesktopStack> stack = manager.stackWithID(id);
        if (!stack)
            continue;
        if (stack->items.isEmpty())
            manager.removeStack(id, true);
        else
            manager.storeStack(*stack);
    }
}

void discardEmptyStack(StackManager& manager, const DesktopStack& stack)
{
    manager.folders().removeStackFolderIfEmpty(stack);
}

QString uniqueDestination(const FileSystem& fs, const QString& folder, const QString& name,
                          const QSet<QString>& reserved)
{
    const QString prefix = folder + QLatin1Char('/');
    return prefix + firstFreeName(name, [&](const QString& candidate) {
               return !reserved.contains(candidate) && !fs.exists(prefix + candidate);
           });
}

QString firstFreeName(const QString& name, const std::function<bool(const QString&)>& isFree)
{
    if (isFree(name))
        return name;
    const QString extension = FileKinds::pathExtension(name);
    const QString base = extension.isEmpty() ? name : name.left(name.size() - extension.size() - 1);
    const QString dotted = extension.isEmpty() ? QString() : QLatin1Char('.') + extension;
    for (int n = 2;; ++n) {
        const QString candidate =
            StorageFolders::fittedName(base, QLatin1Char(' ') + QString::number(n) + dotted);
        if (isFree(candidate))
            return candidate;
    }
}

} // namespace Stacking
