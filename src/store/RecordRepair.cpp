#include "store/RecordRepair.h"

#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Screens.h"
#include "store/ItemPlaces.h"
#include "store/ResolvedFolders.h"
#include "store/StackListCodec.h"
#include "store/StorageFolders.h"
#include "store/StoreLog.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace {

// A stack window is 140 × 150; recovered ones stand 160 apart in a row and 170 between rows.
constexpr qreal columnStep = 160;
constexpr qreal rowStep = 170;
// A further sheet of rows, when the screen is full, starts this much lower left.
constexpr qreal sheetStep = 20;

const QString dsStore = QStringLiteral(".DS_Store");

QString inside(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name;
}

QString lastComponent(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString parentPath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// The entries of a stack folder that may become items, in name order (".DS_Store" is never
// one); nothing when the folder cannot be listed. Unusable names are logged and stay put.
std::optional<QStringList> stackFolderEntries(const FileSystem& fileSystem, const QString& folder,
                                              const char* verb)
{
    const std::optional<Listing> listing = fileSystem.list(folder);
    if (!listing)
        return std::nullopt;
    logUnnamed(verb, folder, listing->unnamed);
    QStringList names = listing->names;
    names.removeAll(dsStore);
    std::sort(names.begin(), names.end());
    return names;
}

// One stack folder as the records see it: what it holds, and which of those files some record
// already accounts for. Records that name the same folder share one, so that they never take
// each other's files as missing.
struct FolderAccount
{
    QString resolvedPath;
    // In name order, as stackFolderEntries gives them: an entry is found by binary search.
    QStringList entries;
    // By entry: some record accounts for it.
    QList<bool> accounted;
    // The first record naming the folder, which takes in what nobody accounts for.
    qsizetype owner = 0;

    // The entry's position; nothing when the folder holds no such entry.
    std::optional<qsizetype> entry(QStringView name) const
    {
        const auto at = std::lower_bound(entries.cbegin(), entries.cend(), name,
                                         [](const QString& a, QStringView b) { return a < b; });
        if (at == entries.cend() || *at != name)
            return std::nullopt;
        return at - entries.cbegin();
    }
    void account(QStringView name)
    {
        if (const std::optional<qsizetype> at = entry(name))
            accounted[*at] = true;
    }
};

QStringView lastComponentView(const QString& path)
{
    return QStringView(path).sliced(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

RecordRepair::RecordRepair(StorageFolders& folders, FileSystem& fileSystem, Bookmarks& bookmarks,
                           const Screens& screens)
    : m_folders(folders)
    , m_fileSystem(fileSystem)
    , m_bookmarks(bookmarks)
    , m_screens(screens)
    , m_parents(fileSystem)
{}

bool RecordRepair::giveRepeatedIdsFreshOnes(QList<DesktopStack>& stacks)
{
    bool changed = false;
    QSet<QUuid> stackIds;
    QSet<QUuid> itemIds;
    qsizetype items = 0;
    for (const DesktopStack& stack : std::as_const(stacks))
        items += stack.items.size();
    stackIds.reserve(stacks.size());
    itemIds.reserve(items);
    for (DesktopStack& stack : stacks) {
        if (stackIds.contains(stack.id)) {
            stack.id = m_ids.next();
            changed = true;
        }
        stackIds.insert(stack.id);
        // Read through a const view: an unchanged record keeps sharing its item list.
        for (qsizetype i = 0; i < stack.items.size(); ++i) {
            if (itemIds.contains(std::as_const(stack.items).at(i).id)) {
                stack.items[i].id = m_ids.next();
                changed = true;
            }
            itemIds.insert(std::as_const(stack.items).at(i).id);
        }
    }
    return changed;
}

bool RecordRepair::refreshBookmarks(QList<DesktopStack>& stacks)
{
    const QString storage = m_folders.storageFolder();
    m_known.reset();
    m_found.clear();
    m_found.resize(stacks.size());
    m_parents.forget();
    const QString resolvedStorage = m_parents.folder(storage);
    ItemPlaces places(m_folders, m_fileSystem);
    bool changed = false;

    // The stack folder each record's files now lie in, when none of them lies in its own. A
    // stack keeps a folder that still holds one of its files: a single file dragged by hand
    // into another stack's folder must not carry the whole record over there.
    QList<std::optional<QString>> follow(stacks.size());
    for (qsizetype s = 0; s < stacks.size(); ++s) {
        if (stacks.at(s).state != StackState::collapsed)
            continue;
        // Items are read through a const view and written one by one, so that an unchanged
        // record keeps sharing its item list.
        DesktopStack& stack = stacks[s];
        bool holdsOwn = false;
        std::optional<QString> elsewhere;
        QString lastFolder;
        std::optional<QString> lastName;
        QList<std::optional<Bookmarks::Renewal>> renewals =
            m_bookmarks.renewAll(itemBookmarks(std::as_const(stack)));
        QList<std::optional<Found>>& found = m_found[s];
        found.resize(renewals.size());
        for (qsizetype i = 0; i < stack.items.size(); ++i) {
            std::optional<Bookmarks::Renewal>& renewed = renewals[i];
            // A file found elsewhere is not the item's, and its bookmark stays as it was.
            if (!renewed || !places.admitsInStorage(stack, renewed->path))
                continue;
            if (renewed->bookmark != std::as_const(stack.items).at(i).bookmark) {
                stack.items[i].bookmark = renewed->bookmark;
                changed = true;
            }
            const QString folder = m_parents.parentOf(renewed->path);
            found[i] = Found{std::move(renewed->bookmark), std::move(renewed->path), folder};
            // The files of a stack lie together: their folder is judged once.
            if (folder != lastFolder) {
                lastFolder = folder;
                lastName = parentPath(folder) == resolvedStorage
                               ? std::optional<QString>(lastComponent(folder))
                               : std::nullopt;
            }
            if (!lastName)
                continue;
            const QString& name = *lastName;
            if (stack.folderName == name)
                holdsOwn = true;
            else if (!elsewhere)
                elsewhere = name;
        }
        // The name must lead to that very folder: a name that did not survive decoding, or a
        // link in the storage folder, does not.
        if (!holdsOwn && elsewhere && m_fileSystem.isDirectory(inside(storage, *elsewhere)))
            follow[s] = elsewhere;
    }

    // A folder that a record keeps is not taken by another; of two records following their
    // files into the same folder, the first gets it.
    QSet<QString> taken;
    for (qsizetype s = 0; s < stacks.size(); ++s) {
        if (!follow.at(s) && stacks.at(s).folderName)
            taken.insert(*stacks.at(s).folderName);
    }
    for (qsizetype s = 0; s < stacks.size(); ++s) {
        if (!follow.at(s))
            continue;
        if (taken.contains(*follow.at(s))) {
            if (stacks.at(s).folderName)
                taken.insert(*stacks.at(s).folderName);
            continue;
        }
        stacks[s].folderName = *follow.at(s);
        taken.insert(*follow.at(s));
        changed = true;
    }
    return changed;
}

RepairResult RecordRepair::restoreMissingItems(QList<DesktopStack>& stacks)
{
    RepairResult result;
    const QString storage = m_folders.storageFolder();
    if (!m_fileSystem.exists(storage))
        return result;

    // A record whose folder is gone takes a folder carrying its own name that nobody names.
    QSet<QString> named = folderNames(stacks);
    for (qsizetype s = 0; s < stacks.size(); ++s) {
        DesktopStack& stack = stacks[s];
        if (stack.state != StackState::collapsed ||
            m_fileSystem.exists(m_folders.stackFolderURL(stack, storage)))
            continue;
        QString candidate = stack.name;
        candidate.replace(QLatin1Char('/'), QLatin1Char('-'));
        candidate.replace(QLatin1Char(':'), QLatin1Char('-'));
        candidate = candidate.trimmed();
        // Only a real folder directly inside: never "..", never through a link.
        if (!StackListCodec::isPlainName(candidate) || named.contains(candidate) ||
            !m_fileSystem.isDirectory(inside(storage, candidate)))
            continue;
        stack.folderName = candidate;
        named.insert(candidate);
        result.changed = true;
    }

    // What each stack folder holds, and which of it the records account for. A spread stack's
    // folder counts too: a file added to it just before a stop must not stay hidden there.
    QHash<QString, FolderAccount> accounts;
    QStringList order;
    for (qsizetype s = 0; s < stacks.size(); ++s) {
        DesktopStack& stack = stacks[s];
        const QString folder = m_folders.stackFolderURL(stack, storage);
        auto account = accounts.find(folder);
        if (account == accounts.end()) {
            // A link or a file in the folder's place is not looked into.
            if (!m_fileSystem.isDirectory(folder))
                continue;
            FolderAccount fresh;
            fresh.resolvedPath = m_parents.folder(folder);
            fresh.entries =
                stackFolderEntries(m_fileSystem, folder, "restore").value_or(QStringList());
            fresh.accounted.resize(fresh.entries.size());
            fresh.owner = s;
            account = accounts.insert(folder, fresh);
            order.append(folder);
        }
        for (qsizetype i = 0; i < stack.items.size(); ++i) {
            const StackItem& item = std::as_const(stack.items).at(i);
            // An item whose file is found elsewhere (on the Desktop, half way through a move)
            // keeps it: a file of the same name in the folder is another one.
            if (const Found* found = foundAt(s, i, item.bookmark)) {
                if (found->folder == account->resolvedPath)
                    account->account(lastComponentView(found->path));
                continue;
            }
            if (const std::optional<QString> path = resolved(item.bookmark)) {
                if (m_parents.parentOf(*path) == account->resolvedPath)
                    account->account(lastComponentView(*path));
                continue;
            }
            const std::optional<qsizetype> entry = account->entry(item.name);
            if (!entry || account->accounted.at(*entry))
                continue;
            account->accounted[*entry] = true;
            const QString named = inside(folder, item.name);
            const std::optional<QByteArray> fresh = m_bookmarks.make(named);
            if (fresh && *fresh != item.bookmark) {
                stack.items[i].bookmark = *fresh;
                remember(s, i, Found{*fresh, named, account->resolvedPath});
                result.changed = true;
            }
        }
    }

    for (const QString& folder : std::as_const(order)) {
        const FolderAccount& account = accounts.value(folder);
        DesktopStack& stack = stacks[account.owner];
        bool appended = false;
        QStringList names;
        QStringList paths;
        for (qsizetype e = 0; e < account.entries.size(); ++e) {
            if (!account.accounted.at(e)) {
                names.append(account.entries.at(e));
                paths.append(inside(folder, account.entries.at(e)));
            }
        }
        const QList<std::optional<QByteArray>> bookmarks = m_bookmarks.makeAll(paths);
        for (qsizetype j = 0; j < names.size(); ++j) {
            const QString& name = names.at(j);
            const QString& path = paths.at(j);
            const std::optional<QByteArray>& bookmark = bookmarks.at(j);
            if (!bookmark)
                continue;
            remember(account.owner, stack.items.size(),
                     Found{*bookmark, path, account.resolvedPath});
            stack.items.append(StackItem{m_ids.next(), name, *bookmark,
                                         iconPositionNear(stack.windowOrigin, stack.items.size())});
            appended = true;
        }
        if (appended) {
            result.names.append(stack.name);
            result.changed = true;
        }
    }
    return result;
}

const RecordRepair::Found* RecordRepair::foundAt(qsizetype stack, qsizetype item,
                                                 const QByteArray& bookmark) const
{
    if (stack >= m_found.size() || item >= m_found.at(stack).size())
        return nullptr;
    const std::optional<Found>& found = m_found.at(stack).at(item);
    return found && found->bookmark == bookmark ? &*found : nullptr;
}

void RecordRepair::remember(qsizetype stack, qsizetype item, Found found)
{
    if (m_found.size() <= stack)
        m_found.resize(stack + 1);
    QList<std::optional<Found>>& items = m_found[stack];
    if (items.size() <= item)
        items.resize(item + 1);
    if (m_known)
        m_known->insert(found.bookmark, found.path);
    items[item] = std::move(found);
}

const QHash<QByteArray, QString>& RecordRepair::knownPaths()
{
    if (!m_known) {
        QHash<QByteArray, QString>& known = m_known.emplace();
        for (const QList<std::optional<Found>>& items : std::as_const(m_found)) {
            for (const std::optional<Found>& found : items) {
                if (found)
                    known.insert(found->bookmark, found->path);
            }
        }
    }
    return *m_known;
}

std::optional<QString> RecordRepair::resolved(const QByteArray& bookmark)
{
    const QHash<QByteArray, QString>& known = knownPaths();
    const auto found = known.constFind(bookmark);
    if (found != known.cend())
        return *found;
    return m_bookmarks.resolve(bookmark);
}

RepairResult RecordRepair::recoverOrphanFolders(QList<DesktopStack>& stacks)
{
    RepairResult result;
    const QString storage = m_folders.storageFolder();
    if (!m_fileSystem.exists(storage))
        return result;
    const std::optional<Listing> listing = m_fileSystem.list(storage);
    if (!listing)
        return result;

    const QSet<QString> named = folderNames(stacks);
    QStringList orphans;
    for (const QString& name : listing->names) {
        if (!StorageFolders::isIgnoredName(name) && !named.contains(name) &&
            m_fileSystem.isDirectory(inside(storage, name)))
            orphans.append(name);
    }
    std::sort(orphans.begin(), orphans.end());

    for (const QString& orphan : std::as_const(orphans)) {
        const QString folder = inside(storage, orphan);
        const QString resolvedFolder = m_parents.folder(folder);
        DesktopStack stack;
        QList<std::optional<Found>> found;
        stack.windowOrigin = recoveredWindowOrigin(result.names.size());
        const QStringList entries =
            stackFolderEntries(m_fileSystem, folder, "recover").value_or(QStringList());
        QStringList paths;
        paths.reserve(entries.size());
        for (const QString& entry : entries)
            paths.append(inside(folder, entry));
        const QList<std::optional<QByteArray>> bookmarks = m_bookmarks.makeAll(paths);
        for (qsizetype j = 0; j < entries.size(); ++j) {
            const QString& path = paths.at(j);
            const std::optional<QByteArray>& bookmark = bookmarks.at(j);
            if (!bookmark)
                continue;
            found.append(Found{*bookmark, path, resolvedFolder});
            stack.items.append(StackItem{m_ids.next(), entries[j], *bookmark,
                                         iconPositionNear(stack.windowOrigin, j)});
        }
        if (stack.items.isEmpty())
            continue;
        m_found.resize(stacks.size());
        m_found.append(std::move(found));
        if (m_known) {
            for (const std::optional<Found>& file : std::as_const(m_found.constLast()))
                m_known->insert(file->bookmark, file->path);
        }
        stack.id = m_ids.next();
        stack.name = orphan;
        stack.folderName = orphan;
        stack.state = StackState::collapsed;
        stacks.append(std::move(stack));
        result.names.append(orphan);
        result.changed = true;
    }
    return result;
}

QPointF RecordRepair::iconPositionNear(QPointF windowOrigin, qsizetype index) const
{
    const QRectF visible = m_screens.firstVisibleFrame();
    const qreal step = 24 * qreal(index);
    return {windowOrigin.x() + 70 + step, (maxY(visible) - windowOrigin.y()) - 75 + step};
}

QPointF RecordRepair::recoveredWindowOrigin(qsizetype index) const
{
    const QRectF visible = m_screens.firstVisibleFrame();
    const QPointF first(maxX(visible) - 180, maxY(visible) - 210);
    // As many as fit with the window's left edge still on the screen, and rows likewise.
    const auto fitting = [](qreal room, qreal step) {
        return std::max<qsizetype>(1, qsizetype(std::floor(room / step)) + 1);
    };
    const qsizetype perRow = fitting(first.x() - minX(visible), columnStep);
    const qsizetype rows = fitting(first.y() - minY(visible), rowStep);
    const qsizetype perSheet = perRow * rows;
    const qsizetype sheet = index / perSheet;
    const qsizetype row = index % perSheet / perRow;
    const qsizetype column = index % perRow;
    return {first.x() - columnStep * qreal(column) - sheetStep * qreal(sheet),
            first.y() - rowStep * qreal(row) - sheetStep * qreal(sheet)};
}
