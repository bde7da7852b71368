#include "engine/Stacker.h"

#include "engine/BackgroundQueries.h"
#include "engine/DesktopBridge.h"
#include "engine/DesktopCoordinates.h"
#include "engine/EngineLog.h"
#include "engine/FileKind.h"
#include "engine/FolderNames.h"
#include "engine/MoveReports.h"
#include "engine/PathNames.h"
#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "engine/StackWindowPort.h"
#include "engine/StackWindows.h"
#include "engine/WindowPlacement.h"
#include "operations/StackRemoval.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/CleanPaths.h"
#include "platform/FileSystem.h"
#include "platform/Screens.h"
#include "store/FirstRunChoice.h"
#include "store/FreshIds.h"
#include "store/QuotedList.h"
#include "store/ResolvedFolders.h"
#include "store/StorageFolders.h"

#include <QHash>

#include <algorithm>

namespace {

using PathNames::fileName;

// Whether what lies at a path (of this kind) is stackable: neither a storage folder nor hidden.
// The path is resolved in full only when it is a link; otherwise its folder's resolution serves
// every file in it.
// `resolvedPath`, when given, receives the path resolved.
bool isStackable(const FileSystem& fs, DesktopBridge& desktop, const QString& path, EntryKind kind,
                 const QStringList& storage, ResolvedFolders& parents, HiddenLists& hidden,
                 QString* resolvedPath = nullptr)
{
    const QString name = fileName(path);
    if (name.startsWith(QLatin1Char('.')))
        return false;
    const QString resolved = kind == EntryKind::symbolicLink
                                 ? fs.resolved(path)
                                 : parents.parentOf(path) + QLatin1Char('/') + name;
    if (resolvedPath) {
        // Written otherwise than plainly, or at the top of the tree ("//name" this way): resolved
        // in full.
        const bool plain = CleanPaths::isCleanAbsolute(QStringView(path)) &&
                           !resolved.startsWith(QLatin1String("//"));
        *resolvedPath = plain ? resolved : fs.resolved(path);
    }
    return !storage.contains(resolved) && !desktop.isHiddenFile(path, hidden);
}

} // namespace

Stacker::Stacker(FileSystem& fs, Bookmarks& bookmarks, DesktopBridge& desktop, Alerts& alerts,
                 const Screens& screens, FirstRunChoice& firstRun, StorageFolders& folders,
                 const StackFiles& files, StackRecords& records, StackWindows& windows,
                 MoveReports& reports, BackgroundQueries& queries, StackRemoval& removal)
    : m_fs(fs)
    , m_bookmarks(bookmarks)
    , m_desktop(desktop)
    , m_alerts(alerts)
    , m_screens(screens)
    , m_firstRun(firstRun)
    , m_folders(folders)
    , m_files(files)
    , m_records(records)
    , m_windows(windows)
    , m_reports(reports)
    , m_queries(queries)
    , m_removal(removal)
{}

// The selection's outcome, back on the GUI thread.
void Stacker::stackSelected(const BridgeResult<QList<DesktopFile>>& selection)
{
    if (!selection)
        return m_alerts.showError(selection.error().description());
    if (selection.value().isEmpty())
        return m_alerts.beep();
    stackFiles(selection.value(), std::nullopt, defaultWindowOrigin(selection.value()));
}

// "3 Screenshots" or "1 PDF" when every file is of one kind, else "Stack n".
template<typename IsDirectory>
QString Stacker::nameForKinds(const QStringList& paths, IsDirectory isDirectory) const
{
    // Naming a stack of a thousand files asks the MIME database once per sort of file.
    QHash<QString, FileKind> known;
    std::optional<FileKind> kind;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString& path = paths.at(i);
        const QString sort = FileKinds::classificationKey(path, isDirectory(i));
        auto found = known.constFind(sort);
        if (found == known.cend())
            found = known.insert(sort, FileKinds::classify(path, m_fs));
        if (kind && *kind != *found)
            return QStringLiteral("Stack ") + QString::number(m_records.all().size() + 1);
        kind = *found;
    }
    if (kind && *kind != FileKind::other) {
        if (paths.size() == 1)
            return QStringLiteral("1 ") + FileKinds::singularLabel(*kind);
        return QString::number(paths.size()) + QLatin1Char(' ') + FileKinds::pluralLabel(*kind);
    }
    return QStringLiteral("Stack ") + QString::number(m_records.all().size() + 1);
}

void Stacker::store(const DesktopStack& stack, const QStringList& files)
{
    m_records.store(stack);
    m_windows.showWindow(stack, files);
}

void Stacker::stackSelection(WorkToken token, SelectionSource source)
{
    DesktopBridge& desktop = m_desktop;
    m_queries.query<BridgeResult<QList<DesktopFile>>>(
        [&desktop, source] { return desktop.selectedFiles(source); },
        [this](const BridgeResult<QList<DesktopFile>>& selection) { stackSelected(selection); },
        std::move(token));
}

void Stacker::stackFiles(const QList<DesktopFile>& files, const std::optional<QString>& name,
                         QPointF windowOrigin)
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
        stackReadable(readable, name, windowOrigin);
    if (unreadable.isEmpty())
        return;
    m_reports.tell(TidoraError{
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

void Stacker::stackReadable(const QList<DesktopFile>& files, const std::optional<QString>& name,
                            QPointF windowOrigin)
{
    const QStringList storage = m_files.resolvedStorageFolders();
    ResolvedFolders parents(m_fs);
    HiddenLists hidden;
    QStringList selected;
    selected.reserve(files.size());
    for (const DesktopFile& file : files)
        selected.append(file.path);
    const QList<EntryKind> kinds = m_fs.kinds(selected);
    QList<DesktopFile> kept;
    QList<bool> directories;
    // The kept files' paths resolved, worked out once here for the check and for `taken`.
    QStringList keptResolved;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const DesktopFile& file = files.at(i);
        QString resolved;
        if (isStackable(m_fs, m_desktop, file.path, kinds.at(i), storage, parents, hidden,
                        &resolved)) {
            kept.append(file);
            keptResolved.append(std::move(resolved));
            directories.append(kinds.at(i) == EntryKind::directory);
        }
    }
    if (kept.isEmpty())
        return m_alerts.beep();
    if (!m_firstRun.showFirstRunAlert(true))
        return;

    QStringList paths;
    for (const DesktopFile& file : std::as_const(kept))
        paths.append(file.path);
    DesktopStack stack;
    stack.id = QUuid::createUuid();
    stack.name =
        name ? *name
             : nameForKinds(paths, [&directories](qsizetype i) { return directories.at(i); });
    stack.folderName = m_folders.uniqueFolderName(stack.name, folderNames(m_records.all()));
    stack.state = StackState::collapsed;
    // Beside the stacks already shown rather than over them, and on the screen.
    QList<QRectF> shown;
    for (const DesktopStack& other : m_records.all())
        shown.append(DesktopCoordinates::windowFrame(other.windowOrigin));
    stack.windowOrigin = WindowPlacement::freeOrigin(windowOrigin, shown, m_screens.screens());

    // An icon whose position the desktop program does not know is recorded next to the
    // window, as a dropped file would be.
    const QPointF base = DesktopCoordinates::windowCentreOnDesktop(m_screens, stack.windowOrigin);
    int unplaced = 0;
    FreshIds ids;
    QList<std::optional<QString>> current;
    // A file is an item of one stack only: stacking it takes it out of the one it was in.
    QSet<QString> taken;
    const QList<std::optional<QByteArray>> bookmarks = m_bookmarks.makeAll(paths);
    for (qsizetype i = 0; i < kept.size(); ++i) {
        const DesktopFile& file = kept.at(i);
        const std::optional<QByteArray>& bookmark = bookmarks.at(i);
        if (!bookmark)
            continue;
        const QPointF position =
            file.position ? *file.position : base + QPointF(24, 24) * unplaced++;
        stack.items.append(StackItem{ids.next(), fileName(file.path), *bookmark, position});
        current.append(file.path);
        taken.insert(keptResolved.at(i));
    }
    const QList<TakenItem> others = takeFromOtherStacks(taken, stack.id);

    // The record is saved before its files move, so that a stop part-way leaves a list that
    // says where they were going; the next launch gathers the rest.
    if (const Status ready = prepareFolder(stack); !ready) {
        settleOtherStacks(others, QStringList(taken.cbegin(), taken.cend()));
        return m_alerts.showError(ready.description());
    }
    m_records.recordIntent(stack);
    QStringList gathered;
    GatherOutcome outcome;
    if (const Status done = gatherIntoFolder(stack, current, gathered, &outcome); !done) {
        (void)m_records.take(stack.id);
        m_records.save();
        settleOtherStacks(others, QStringList(taken.cbegin(), taken.cend()));
        return m_alerts.showError(done.description());
    }
    if (stack.items.isEmpty()) {
        (void)m_records.take(stack.id);
        m_records.save();
        discardEmptyStack(stack);
    } else {
        store(stack, gathered);
    }
    settleOtherStacks(others, outcome.failures.paths());
    if (!outcome.failures.isEmpty())
        m_reports.tell(outcome.failures.error(outcome.asked, QStringLiteral("stacked"),
                                              m_files.desktopFolder(), m_folders));
}

void Stacker::stackFilesAtPoint(const QList<DesktopFile>& files, QPointF point)
{
    const QPointF origin = point - QPointF(StackWindowPort::width / 2, StackWindowPort::height / 2);
    stackFiles(files, std::nullopt, origin);
}

QString Stacker::defaultStackName(const QStringList& paths) const
{
    return nameForKinds(paths, [&](qsizetype i) { return m_fs.isDirectory(paths.at(i)); });
}

QPointF Stacker::defaultWindowOrigin(const QList<DesktopFile>& files) const
{
    QPointF sum;
    int known = 0;
    for (const DesktopFile& file : files) {
        if (file.position) {
            sum += *file.position;
            ++known;
        }
    }
    const QPointF centre =
        known > 0
            ? sum / known
            : DesktopCoordinates::toDesktop(m_screens, m_screens.firstVisibleFrame()).center();
    return DesktopCoordinates::windowOriginCentredOn(m_screens, centre);
}

Status Stacker::gatherIntoFolder(DesktopStack& stack)
{
    // Renewed on a copy: a failure leaves the record as it was.
    DesktopStack renewed = stack;
    const QList<std::optional<QString>> current = m_files.renewItems(renewed);
    QStringList gathered;
    const Status done = gatherIntoFolder(renewed, current, gathered);
    if (done)
        stack = std::move(renewed);
    return done;
}

Status Stacker::prepareFolder(const DesktopStack& stack)
{
    if (Status made = m_folders.ensureStorageFolder(); !made)
        return made;
    return m_folders.createStackFolder(m_folders.stackFolderURL(stack));
}

Status Stacker::gatherIntoFolder(DesktopStack& stack, const QList<std::optional<QString>>& current,
                                 QStringList& gathered, GatherOutcome* outcome)
{
    const QString folder = m_folders.stackFolderURL(stack);
    if (Status made = prepareFolder(stack); !made)
        return made;

    const QString inFolder = m_fs.resolved(folder);
    const QString onDesktop = m_files.resolvedDesktopFolder();
    ResolvedFolders parents(m_fs);
    FolderNames names(m_fs, folder);
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
        if (const Status moved = names.moveThere(m_fs, *path, destination); !moved) {
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
        if (std::optional<QByteArray> bookmark = m_bookmarks.moved(item.bookmark, destination))
            item.bookmark = std::move(*bookmark);
        items.append(std::move(item));
        gathered.append(destination);
    }
    stack.items = std::move(items);
    stack.state = StackState::collapsed;
    return Status::success();
}

QList<Stacker::TakenItem> Stacker::takeFromOtherStacks(const QSet<QString>& paths,
                                                       const QUuid& except)
{
    QList<TakenItem> taken;
    if (paths.isEmpty())
        return taken;
    QList<QUuid> ids;
    for (const DesktopStack& stack : m_records.all()) {
        if (stack.id != except)
            ids.append(stack.id);
    }
    for (const QUuid& id : std::as_const(ids)) {
        DesktopStack* stack = m_records.find(id);
        const QList<std::optional<QString>> files = m_files.resolvedItems(*stack);
        QList<StackItem> kept;
        for (qsizetype i = 0; i < stack->items.size(); ++i) {
            const std::optional<QString>& file = files.at(i);
            const QString resolved = file ? m_fs.resolved(*file) : QString();
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

void Stacker::settleOtherStacks(const QList<TakenItem>& taken, const QStringList& stayed)
{
    QSet<QString> unmoved;
    for (const QString& path : stayed)
        unmoved.insert(m_fs.resolved(path));
    QList<QUuid> changed;
    // Per stack, the items before this one that left for good: an item goes back where it was.
    QHash<QUuid, qsizetype> gone;
    for (const TakenItem& item : taken) {
        if (!changed.contains(item.stack))
            changed.append(item.stack);
        DesktopStack* stack = m_records.find(item.stack);
        if (!stack || !unmoved.contains(item.path)) {
            ++gone[item.stack];
            continue;
        }
        stack->items.insert(std::min(item.index - gone.value(item.stack), stack->items.size()),
                            item.item);
    }
    for (const QUuid& id : std::as_const(changed)) {
        const std::optional<DesktopStack> stack = m_records.withID(id);
        if (!stack)
            continue;
        if (stack->items.isEmpty())
            m_removal.removeStack(id, true);
        else
            store(*stack, m_files.resolvedFiles(*stack));
    }
}

void Stacker::discardEmptyStack(const DesktopStack& stack)
{
    m_folders.removeStackFolderIfEmpty(stack);
}
