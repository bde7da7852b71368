#include "store/Reconciliation.h"

#include "platform/FileSystem.h"
#include "platform/Wording.h"
#include "store/QuotedList.h"
#include "store/StorageFolders.h"

Reconciliation::Reconciliation(const Paths& paths, Settings& settings, StorageFolders& folders,
                               FileSystem& fileSystem, Bookmarks& bookmarks, const Screens& screens)
    : m_folders(folders)
    , m_fileSystem(fileSystem)
    , m_legacy(paths, settings, folders, fileSystem, bookmarks)
    , m_records(folders, fileSystem, bookmarks, screens)
{}

ReconciliationResult Reconciliation::repair(QList<DesktopStack>& stacks,
                                            const ListChanged& listChanged)
{
    const auto step = [&listChanged](bool changed) {
        if (changed && listChanged)
            listChanged();
    };
    m_legacy.adoptStorageLocation();
    for (const QString& folder : m_legacy.legacyStorageFolders())
        m_legacy.mergeFolderIntoStorage(folder);
    step(m_legacy.migrateLegacyStacks(stacks));
    // After the oldest layout's migration, which finds a record's folder by its id.
    step(m_records.giveRepeatedIdsFreshOnes(stacks));
    step(m_records.refreshBookmarks(stacks));
    RepairResult restored = m_records.restoreMissingItems(stacks);
    step(restored.changed);
    RepairResult recovered = m_records.recoverOrphanFolders(stacks);
    step(recovered.changed);
    if (m_fileSystem.exists(m_folders.storageFolder()))
        (void)m_folders.ensureStorageFolder();
    m_folders.protectStackFolders();
    return {std::move(restored.names), std::move(recovered.names)};
}

std::optional<TidoraError>
Reconciliation::missingFoldersWarning(const QList<DesktopStack>& stacks) const
{
    const QString storage = m_folders.storageFolder();
    QStringList names;
    for (const DesktopStack& stack : stacks) {
        if (stack.state == StackState::collapsed && !stack.items.isEmpty() &&
            !m_fileSystem.exists(m_folders.stackFolderURL(stack, storage)))
            names.append(stack.name);
    }
    if (names.isEmpty())
        return std::nullopt;
    return TidoraError{
        ErrorCode::storageFoldersMissing,
        QStringLiteral("The files of ") + quotedList(names) + QStringLiteral(" are missing from ") +
            storage +
            QStringLiteral(". If you moved that folder, or the folders inside it, to the Trash, "
                           "put them back. To remove Tidora safely, always use Uninstall "
                           "Tidora\u2026 ") +
            m_folders.wording().inMenu + QLatin1Char('.')};
}

std::optional<TidoraError> Reconciliation::launchReport(const ReconciliationResult& result) const
{
    QStringList parts;
    if (result.setAside)
        parts.append(QStringLiteral("could not use its list of stacks and kept that file as ") +
                     *result.setAside);
    if (!result.outside.isEmpty())
        parts.append(QStringLiteral("left alone files that its list names outside the Desktop and "
                                    "the stacks folders: ") +
                     result.outside.join(QStringLiteral("; ")));
    if (!result.recovered.isEmpty())
        parts.append(QStringLiteral("brought files it no longer had a list for back as stacks: ") +
                     quotedList(result.recovered));
    if (!result.restored.isEmpty())
        parts.append(
            QStringLiteral("found files missing from these stacks and put them back in: ") +
            quotedList(result.restored));
    if (!result.finished.isEmpty())
        parts.append(QStringLiteral("finished moving the files of these stacks, which were half "
                                    "moved when Tidora stopped: ") +
                     quotedList(result.finished));
    if (parts.isEmpty())
        return std::nullopt;
    return TidoraError{ErrorCode::launchReport,
                       QStringLiteral("Tidora checked ") + m_folders.storageFolder() +
                           QStringLiteral(" and ") + parts.join(QStringLiteral(", and ")) +
                           QStringLiteral(". Files are never copied or deleted this way; check "
                                          "them in the stacks, or spread them to the Desktop.")};
}
