#include "engine/LaunchRestore.h"

#include "engine/FoundPaths.h"
#include "engine/HalfDoneMoves.h"
#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "engine/StackWindows.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/Settings.h"
#include "store/FirstRunChoice.h"
#include "store/QuotedList.h"
#include "store/Reconciliation.h"
#include "store/StackListFile.h"

LaunchRestore::LaunchRestore(const Paths& paths, Settings& settings, FileSystem& fs,
                             Bookmarks& bookmarks, const Screens& screens, Alerts& alerts,
                             FirstRunChoice& firstRun, StorageFolders& folders,
                             StackListFile& listFile, const StackFiles& files,
                             StackRecords& records, StackWindows& windows,
                             HalfDoneMoves& halfDoneMoves)
    : m_paths(paths)
    , m_settings(settings)
    , m_fs(fs)
    , m_bookmarks(bookmarks)
    , m_screens(screens)
    , m_alerts(alerts)
    , m_firstRun(firstRun)
    , m_folders(folders)
    , m_listFile(listFile)
    , m_files(files)
    , m_records(records)
    , m_windows(windows)
    , m_halfDoneMoves(halfDoneMoves)
{}

void LaunchRestore::restoreAtLaunch()
{
    QList<DesktopStack> stacks = m_listFile.loadStackList();
    m_records.replaceAll(stacks);
    m_records.refreshFlags();

    Reconciliation reconciliation(m_paths, m_settings, m_folders, m_fs, m_bookmarks, m_screens);
    // Each repair is saved right then, so that a stop during the next one loses nothing.
    ReconciliationResult repaired = reconciliation.repair(stacks, [this, &stacks] {
        m_records.replaceAll(stacks);
        m_records.refreshFlags();
        m_records.save();
    });
    m_records.replaceAll(std::move(stacks));
    repaired.setAside = m_listFile.setAside();

    // What a stop in the middle of an operation left: a file listed twice, files split between
    // a stack's folder and the Desktop.
    FoundPaths found(m_records.all(), reconciliation.records());
    const bool shared = m_halfDoneMoves.dropSharedItems(found);
    if (m_halfDoneMoves.dropEmptyRecords() || shared)
        m_records.save();
    HalfDoneMoves::Finished finished = m_halfDoneMoves.finishMoves(found);
    m_records.refreshFlags();
    repaired.finished = finished.names;

    // The repairs' look-ups hold until files move; every path goes through the same check as an
    // operation's.
    if (!finished.names.isEmpty())
        found.forget();
    ItemPlaces places = m_files.itemPlaces();
    for (const DesktopStack& stack : m_records.all()) {
        QList<std::optional<QString>> paths = found.of(stack);
        QList<QByteArray> unknown;
        QList<qsizetype> unknownAt;
        for (qsizetype i = 0; i < paths.size(); ++i) {
            if (!paths.at(i)) {
                unknown.append(stack.items.at(i).bookmark);
                unknownAt.append(i);
            }
        }
        if (!unknown.isEmpty()) {
            QList<std::optional<QString>> resolved = m_bookmarks.resolveAll(unknown);
            for (qsizetype j = 0; j < resolved.size(); ++j)
                paths[unknownAt.at(j)] = std::move(resolved[j]);
        }
        QStringList outside;
        paths = places.admitted(stack, std::move(paths), &outside);
        if (!outside.isEmpty())
            repaired.outside.append(quotedList(outside) + QStringLiteral(" in \u201C") +
                                    stack.name + QStringLiteral("\u201D"));
        QStringList files;
        files.reserve(paths.size());
        for (std::optional<QString>& path : paths) {
            if (path)
                files.append(std::move(*path));
        }
        m_windows.showWindow(stack, files);
    }

    if (const std::optional<TidoraError> warning =
            reconciliation.missingFoldersWarning(m_records.all()))
        m_alerts.showError(*warning);
    if (const std::optional<TidoraError> report = reconciliation.launchReport(repaired))
        m_alerts.showError(*report);
    if (!finished.failures.isEmpty())
        m_alerts.showError(finished.failures.error(finished.asked,
                                                   QStringLiteral("moved where their stacks are"),
                                                   finished.failures.places(), m_folders));
    if (!m_settings.boolValue(SettingsKey::acknowledgedHiddenStorage, false))
        (void)m_firstRun.showFirstRunAlert(false);
}
