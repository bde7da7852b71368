#include "engine/HalfDoneMoves.h"

#include "engine/FoundPaths.h"
#include "engine/PathNames.h"
#include "engine/Spreader.h"
#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "engine/Stacker.h"
#include "platform/FileSystem.h"
#include "store/ResolvedFolders.h"
#include "store/StorageFolders.h"

#include <QHash>

#include <algorithm>
#include <list>

HalfDoneMoves::HalfDoneMoves(FileSystem& fs, StorageFolders& folders, const StackFiles& files,
                             StackRecords& records, Stacker& stacker, Spreader& spreader)
    : m_fs(fs)
    , m_folders(folders)
    , m_files(files)
    , m_records(records)
    , m_stacker(stacker)
    , m_spreader(spreader)
{}

// Where each item's file is: as the repairs found it, else resolved now (a spread stack's).
QList<std::optional<QString>> HalfDoneMoves::whereAre(const DesktopStack& stack,
                                                      const FoundPaths& found) const
{
    QList<std::optional<QString>> paths = found.of(stack);
    if (std::all_of(paths.cbegin(), paths.cend(),
                    [](const std::optional<QString>& path) { return path.has_value(); }))
        return paths;
    return m_files.resolvedItems(stack);
}

bool HalfDoneMoves::dropSharedItems(const FoundPaths& found)
{
    ResolvedFolders parents(m_fs);
    // Every file, links resolved, with the records listing it (index of record, index of item).
    struct Claim
    {
        qsizetype stack;
        qsizetype item;
    };
    const QList<DesktopStack>& stacks = m_records.all();
    // Keys are views: into the path itself when its folder holds no link (nearly always), else
    // into a rebuilt key kept alive here. Only a file claimed twice gets a list.
    QList<QList<std::optional<QString>>> where;
    where.reserve(stacks.size());
    std::list<QString> rebuilt;
    QHash<QStringView, Claim> first;
    qsizetype items = 0;
    for (const DesktopStack& stack : stacks)
        items += stack.items.size();
    first.reserve(items);
    QHash<QStringView, QList<Claim>> shared;
    for (qsizetype s = 0; s < stacks.size(); ++s) {
        where.append(whereAre(stacks.at(s), found));
        const QList<std::optional<QString>>& paths = where.constLast();
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const std::optional<QString>& path = paths.at(i);
            if (!path)
                continue;
            // The entry itself, a link not followed: two links to one file are two items.
            const QString parent = parents.parentOf(*path);
            const qsizetype slash = path->lastIndexOf(QLatin1Char('/'));
            QStringView key;
            if (slash == parent.size() && slash + 1 < path->size() &&
                QStringView(*path).first(slash) == parent) {
                key = *path;
            } else {
                rebuilt.push_back(parent + QLatin1Char('/') + PathNames::fileName(*path));
                key = rebuilt.back();
            }
            const qsizetype before = first.size();
            Claim& earlier = first[key];
            if (first.size() > before) {
                earlier = Claim{s, i};
                continue;
            }
            QList<Claim>& list = shared[key];
            if (list.isEmpty())
                list.append(earlier);
            list.append(Claim{s, i});
        }
    }
    QHash<qsizetype, QSet<qsizetype>> dropped;
    for (auto claim = shared.cbegin(); claim != shared.cend(); ++claim) {
        const QList<Claim>& list = claim.value();
        const QStringView folder = claim.key().first(claim.key().lastIndexOf(QLatin1Char('/')));
        qsizetype keeper = 0;
        for (qsizetype c = 0; c < list.size(); ++c) {
            const DesktopStack& stack = stacks.at(list.at(c).stack);
            if (parents.folder(m_folders.stackFolderURL(stack)) == folder) {
                keeper = c;
                break;
            }
        }
        for (qsizetype c = 0; c < list.size(); ++c) {
            if (c != keeper)
                dropped[list.at(c).stack].insert(list.at(c).item);
        }
    }
    if (dropped.isEmpty())
        return false;
    QList<DesktopStack> changed = stacks;
    for (auto drop = dropped.cbegin(); drop != dropped.cend(); ++drop) {
        DesktopStack& stack = changed[drop.key()];
        QList<StackItem> kept;
        for (qsizetype i = 0; i < stack.items.size(); ++i) {
            if (!drop.value().contains(i))
                kept.append(stack.items.at(i));
        }
        stack.items = std::move(kept);
    }
    m_records.replaceAll(std::move(changed));
    return true;
}

bool HalfDoneMoves::dropEmptyRecords()
{
    QList<DesktopStack> stacks = m_records.all();
    const qsizetype before = stacks.size();
    stacks.removeIf([this](const DesktopStack& stack) {
        return stack.items.isEmpty() && m_folders.removeStackFolderIfEmpty(stack);
    });
    if (stacks.size() == before)
        return false;
    m_records.replaceAll(std::move(stacks));
    return true;
}

HalfDoneMoves::Finished HalfDoneMoves::finishMoves(const FoundPaths& found)
{
    Finished finished;
    FileSystem& fs = m_fs;
    const QString onDesktop = m_files.resolvedDesktopFolder();
    const QList<QUuid> ids = m_records.ids();
    bool changed = false;
    // Worked out once: the storage folder's place is a setting and a look at the disk. Folders
    // are resolved afresh after files moved.
    QString storage = m_folders.storageFolder();
    ResolvedFolders parents(fs);
    for (const QUuid& id : std::as_const(ids)) {
        DesktopStack stack = *m_records.withID(id);
        const bool gathered = stack.state == StackState::collapsed;
        const QString inFolder = parents.folder(m_folders.stackFolderURL(stack, storage));
        QList<std::optional<QString>> paths = whereAre(stack, found);
        // Out of place: on the Desktop for a gathered stack; in its folder for a spread one.
        bool outOfPlace = false;
        for (const std::optional<QString>& path : std::as_const(paths)) {
            if (path && parents.parentOf(*path) == (gathered ? onDesktop : inFolder)) {
                outOfPlace = true;
                break;
            }
        }
        if (!outOfPlace)
            continue;
        paths = m_files.renewItems(stack);
        if (gathered) {
            Stacker::GatherOutcome outcome;
            outcome.keepUnmoved = true;
            outcome.keepElsewhere = true;
            QStringList files;
            if (!m_stacker.gatherIntoFolder(stack, paths, files, &outcome))
                continue;
            finished.asked += outcome.asked;
            finished.failures.add(outcome.failures);
        } else {
            const Spreader::SpreadOutcome outcome = m_spreader.moveToDesktop(stack, paths, false);
            finished.asked += outcome.asked;
            finished.failures.add(outcome.failures);
            // Nothing could come out and nothing is out: the stack is gathered after all.
            if (outcome.moved == 0 && outcome.placements.isEmpty())
                stack.state = StackState::collapsed;
            m_spreader.placeIcons(outcome.arrived, id);
        }
        *m_records.find(id) = stack;
        finished.names.append(stack.name);
        changed = true;
        parents.forget();
        storage = m_folders.storageFolder();
    }
    if (changed)
        m_records.save();
    return finished;
}
