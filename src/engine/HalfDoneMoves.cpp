#include "engine/HalfDoneMoves.h"

#include "engine/PathNames.h"
#include "engine/StackManager.h"
#include "platform/FileSystem.h"
#include "store/ResolvedFolders.h"

#include <QHash>

namespace HalfDoneMoves {

namespace {

// Where each item's file is: as the repairs found it, else resolved now (a spread stack's).
QList<std::optional<QString>> whereAre(const StackManager& manager, const DesktopStack& stack,
                                       const QHash<QByteArray, QString>& known)
{
    QList<std::optional<QString>> paths;
    paths.reserve(stack.items.size());
    bool allKnown = true;
    for (const StackItem& item : stack.items) {
        const auto found = known.constFind(item.bookmark);
        allKnown = allKnown && found != known.cend();
        paths.append(found != known.cend() ? std::optional<QString>(*found) : std::nullopt);
    }
    return allKnown ? paths : manager.files().resolvedItems(stack);
}

} // namespace

bool dropSharedItems(StackManager& manager, const QHash<QByteArray, QString>& known)
{
    ResolvedFolders parents(manager.fm());
    // Every file, links resolved, with the records listing it (index of record, index of item).
    struct Claim
    {
        qsizetype stack;
        qsizetype item;
    };
    QHash<QString, QList<Claim>> claims;
    const QList<DesktopStack>& stacks = manager.stacks();
    for (qsizetype s = 0; s < stacks.size(); ++s) {
        const QList<std::optional<QString>> paths = whereAre(manager, stacks.at(s), known);
        for (qsizetype i = 0; i < paths.size(); ++i) {
            // The entry itself, a link not followed: two links to one file are two items.
            if (const std::optional<QString>& path = paths.at(i))
                claims[parents.parentOf(*path) + QLatin1Char('/') + PathNames::fileName(*path)]
                    .append(Claim{s, i});
        }
    }
    QHash<qsizetype, QSet<qsizetype>> dropped;
    for (auto claim = claims.cbegin(); claim != claims.cend(); ++claim) {
        const QList<Claim>& list = claim.value();
        if (list.size() < 2)
            continue;
        const QString folder = claim.key().left(claim.key().lastIndexOf(QLatin1Char('/')));
        qsizetype keeper = 0;
        for (qsizetype c = 0; c < list.size(); ++c) {
            const DesktopStack& stack = stacks.at(list.at(c).stack);
            if (parents.folder(manager.folders().stackFolderURL(stack)) == folder) {
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
    manager.records().replaceAll(std::move(changed));
    return true;
}

bool dropEmptyRecords(StackManager& manager)
{
    QList<DesktopStack> stacks = manager.stacks();
    const qsizetype before = stacks.size();
    stacks.removeIf([&manager](const DesktopStack& stack) {
        return stack.items.isEmpty() && manager.folders().removeStackFolderIfEmpty(stack);
    });
    if (stacks.size() == before)
        return false;
    manager.records().replaceAll(std::move(stacks));
    return true;
}

Finished finishMoves(StackManager& manager, const QHash<QByteArray, QString>& known)
{
    Finished finished;
    FileSystem& fs = manager.fm();
    const QString onDesktop = manager.files().resolvedDesktopFolder();
    QList<QUuid> ids;
    for (const DesktopStack& stack : manager.stacks())
        ids.append(stack.id);
    bool changed = false;
    for (const QUuid& id : std::as_const(ids)) {
        DesktopStack stack = *manager.stackWithID(id);
        const bool gathered = stack.state == StackState::collapsed;
        ResolvedFolders parents(fs);
        const QString inFolder = parents.folder(manager.folders().stackFolderURL(stack));
        QList<std::optional<QString>> paths = whereAre(manager, stack, known);
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
        paths = manager.files().renewItems(stack);
        if (gathered) {
            Stacker::GatherOutcome outcome;
            outcome.keepUnmoved = true;
            outcome.keepElsewhere = true;
            QStringList files;
            if (!manager.stacker().gatherIntoFolder(stack, paths, files, &outcome))
                continue;
            finished.asked += outcome.asked;
            finished.failures.add(outcome.failures);
        } else {
            const Spreader::SpreadOutcome outcome =
                manager.spreader().moveToDesktop(stack, paths, false);
            finished.asked += outcome.asked;
            finished.failures.add(outcome.failures);
            // Nothing could come out and nothing is out: the stack is gathered after all.
            if (outcome.moved == 0 && outcome.placements.isEmpty())
                stack.state = StackState::collapsed;
            manager.spreader().placeIcons(outcome.arrived, id);
        }
        *manager.records().find(id) = stack;
        finished.names.append(stack.name);
        changed = true;
    }
    if (changed)
        manager.records().save();
    return finished;
}

} // namespace HalfDoneMoves
