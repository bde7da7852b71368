#include "operations/BinMover.h"

#include "engine/BackgroundQueries.h"
#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "engine/StackWindows.h"
#include "operations/AskToConfirm.h"
#include "operations/OperationsLog.h"
#include "operations/RunAsWork.h"
#include "operations/StackRemoval.h"
#include "operations/UndoState.h"
#include "platform/Alerts.h"
#include "platform/FileSystem.h"
#include "platform/TidoraError.h"
#include "store/QuotedList.h"
#include "store/StorageFolders.h"

#include <QHash>
#include <QPointer>
#include <QSet>

#include <algorithm>
#include <optional>

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

// Why, for the alert: a reason shared by several items (the same words but for the name) is
// told once, with the first of them.
QString reasonsText(const QStringList& names, const QStringList& reasons)
{
    constexpr qsizetype shownReasons = 8;
    QStringList keys;
    QList<qsizetype> firsts;
    QList<int> others;
    for (qsizetype i = 0; i < names.size(); ++i) {
        QString key = reasons.at(i);
        key.replace(quotedList({names.at(i)}), QStringLiteral("\u2026"));
        if (const qsizetype seen = keys.indexOf(key); seen >= 0) {
            ++others[seen];
            continue;
        }
        keys.append(key);
        firsts.append(i);
        others.append(0);
    }
    const auto items = [](int count) -> QString {
        return QString::number(count) +
               (count == 1 ? QStringLiteral(" other item") : QStringLiteral(" other items"));
    };
    QStringList paragraphs;
    for (qsizetype k = 0; k < keys.size() && k < shownReasons; ++k) {
        const QString name = quotedList({names.at(firsts.at(k))});
        QString text = reasons.at(firsts.at(k));
        if (!text.endsWith(QLatin1Char('.')))
            text += QLatin1Char('.');
        if (text.contains(name)) {
            if (others.at(k) > 0)
                text += QStringLiteral(" The same for ") + items(others.at(k)) + QLatin1Char('.');
        } else if (keys.size() > 1) {
            text = name +
                   (others.at(k) > 0 ? QStringLiteral(" and ") + items(others.at(k)) : QString()) +
                   QStringLiteral(": ") + text;
        }
        paragraphs.append(text);
    }
    return paragraphs.join(QStringLiteral("\n\n"));
}

} // namespace

BinMover::BinMover(StackRecords& records, StackWindows& windows, const StackFiles& files,
                   StackRemoval& removal, const StorageFolders& folders, BackgroundQueries& queries,
                   FileSystem& fileSystem, Alerts& alerts, Scheduler& scheduler, UndoState& state,
                   QObject& context)
    : m_records(records)
    , m_windows(windows)
    , m_files(files)
    , m_removal(removal)
    , m_folders(folders)
    , m_queries(queries)
    , m_fileSystem(fileSystem)
    , m_alerts(alerts)
    , m_scheduler(scheduler)
    , m_state(state)
    , m_context(context)
{}

// Picks the stack's files that are where it keeps them: the others are not touched.
void BinMover::collectStack(const DesktopStack& stack, QList<Entry>& entries) const
{
    FileSystem& fs = m_fileSystem;
    // Of the places a stack's files may be, only where it keeps them now: a file the user took
    // out of the stack folder onto the Desktop is not thrown away with the stack.
    const QString expected = stack.state == StackState::collapsed
                                 ? fs.resolved(m_folders.stackFolderURL(stack))
                                 : m_files.resolvedDesktopFolder();
    const QList<std::optional<QString>> paths = m_files.resolvedItems(stack);
    for (qsizetype i = 0; i < stack.items.size(); ++i) {
        const StackItem& item = stack.items.at(i);
        const std::optional<QString>& path = paths.at(i);
        if (!path || fs.resolvedParent(*path) != expected) {
            entries.append(Entry{stack.id, item, std::nullopt});
            continue;
        }
        entries.append(Entry{stack.id, item, path});
    }
}

// Runs off the GUI thread: the Trash may take as long as its disk does.
QList<Status> BinMover::trashFiles(FileSystem& fs, const QList<Entry>& entries)
{
    QList<Status> results;
    results.reserve(entries.size());
    for (const Entry& entry : entries) {
        if (!entry.path)
            results.append(Status::failure(quotedList({entry.item.name}) +
                                           QStringLiteral(" is no longer where its stack keeps "
                                                          "it.")));
        else
            results.append(fs.moveToTrash(*entry.path, nullptr));
    }
    return results;
}

// Back on the GUI thread: each stack loses the items now in the Trash, and gets back the others
// (the saved list had let go of every file that was to be trashed).
void BinMover::finishTrashing(const QList<DesktopStack>& before, const QList<Entry>& entries,
                              const QList<Status>& results)
{
    QStringList failedNames;
    QStringList reasons;
    QHash<QUuid, QSet<QPair<QUuid, QString>>> trashed;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries.at(i);
        const Status& result = results.at(i);
        if (result) {
            trashed[entry.stack].insert({entry.item.id, entry.item.name});
            continue;
        }
        if (entry.path)
            qCWarning(lcOperations).noquote() << QStringLiteral("Tidorama: could not move ") +
                                                     *entry.path + QStringLiteral(" to the Bin: ") +
                                                     result.description();
        failedNames.append(entry.item.name);
        reasons.append(result.description());
    }
    // The alerts run the event loop: the owner may go, and the stacks change, meanwhile.
    const QPointer<QObject> alive(&m_context);
    for (const DesktopStack& original : before) {
        if (!alive)
            return;
        std::optional<DesktopStack> stack = m_records.withID(original.id);
        if (!stack)
            continue;
        // Looked up again: a stack may have been renamed or moved meanwhile.
        const QSet<QPair<QUuid, QString>> gone = trashed.value(original.id);
        QList<StackItem> items;
        QSet<QUuid> known;
        for (const StackItem& item : original.items) {
            known.insert(item.id);
            if (!gone.contains({item.id, item.name}))
                items.append(item);
        }
        for (const StackItem& item : stack->items) {
            if (!known.contains(item.id))
                items.append(item);
        }
        stack->items = items;
        if (stack->items.isEmpty()) {
            m_removal.removeStack(original.id, true);
        } else {
            m_records.store(*stack);
            m_windows.showWindow(*stack);
        }
    }
    if (alive && !failedNames.isEmpty())
        m_alerts.showError(TidoraError{
            ErrorCode::notMovedToBin,
            QStringLiteral("Some items couldn't be moved to the Bin and remain in their stacks: ") +
                quotedList(failedNames) + QLatin1Char('.'),
            reasonsText(failedNames, reasons)});
}

void BinMover::trashStacks(const QList<QUuid>& ids, WorkToken token)
{
    QList<DesktopStack> stacks;
    QList<Entry> entries;
    for (const QUuid& id : ids) {
        if (const std::optional<DesktopStack> stack = m_records.withID(id)) {
            stacks.append(*stack);
            collectStack(*stack, entries);
        }
    }
    // The list is saved without the files about to go before the first one goes: after a stop
    // part-way, the trashed ones are listed nowhere and the others are found again at launch
    // (in their stack folder, or loose on the Desktop for a spread stack).
    for (DesktopStack stack : stacks) {
        stack.items.removeIf([&entries, &stack](const StackItem& item) {
            return std::any_of(entries.cbegin(), entries.cend(), [&](const Entry& entry) {
                return entry.path && entry.stack == stack.id && entry.item.id == item.id;
            });
        });
        m_records.recordIntent(stack);
    }
    FileSystem& fs = m_fileSystem;
    m_queries.query<QList<Status>>([&fs, entries] { return trashFiles(fs, entries); },
                                   [this, stacks, entries](const QList<Status>& results) {
                                       finishTrashing(stacks, entries, results);
                                   },
                                   std::move(token));
}

void BinMover::moveStacksToBin(const QList<QUuid>& ids)
{
    if (m_state.isWorking())
        return;
    const QSet<QUuid> wanted(ids.cbegin(), ids.cend());
    QList<QUuid> collected;
    qsizetype files = 0;
    for (const DesktopStack& stack : m_records.all()) {
        if (wanted.contains(stack.id)) {
            collected.append(stack.id);
            files += stack.items.size();
        }
    }
    if (collected.isEmpty())
        return;
    if (!askToConfirm(m_alerts, confirmation(collected.size(), files), 1))
        return;

    // Trashing waits for the disk: it runs as work, off the GUI thread.
    runAsWork(m_scheduler, m_state, m_context,
              [this, collected](WorkToken token) { trashStacks(collected, std::move(token)); });
}
