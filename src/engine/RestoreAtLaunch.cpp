#include "engine/StackManager.h"

#include "engine/HalfDoneMoves.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/Settings.h"
#include "store/QuotedList.h"
#include "store/Reconciliation.h"

// The launch step: the stacks file, repaired against the disk by the store's reconciliation,
// one window per stack, then what the user must be told. The repairs report each change of the
// list, which is saved right then.
void StackManager::restoreAtLaunch()
{
    QList<DesktopStack> stacks = m_stackListFile.loadStackList();
    m_records.replaceAll(stacks);
    m_records.refreshFlags();

    Reconciliation reconciliation(m_services.paths, m_services.settings, m_folders, fm(),
                                  m_services.bookmarks, m_services.screens);
    // Each repair is saved right then, so that a stop during the next one loses nothing.
    ReconciliationResult repaired = reconciliation.repair(stacks, [this, &stacks] {
        m_records.replaceAll(stacks);
        m_records.refreshFlags();
        m_records.save();
    });
    m_records.replaceAll(std::move(stacks));
    repaired.setAside = m_stackListFile.setAside();

    // What a stop in the middle of an operation left: a file listed twice, files split between
    // a stack's folder and the Desktop.
    const QHash<QByteArray, QString>& found = reconciliation.records().knownPaths();
    const bool shared = HalfDoneMoves::dropSharedItems(*this, found);
    if (HalfDoneMoves::dropEmptyRecords(*this) || shared)
        m_records.save();
    HalfDoneMoves::Finished finished = HalfDoneMoves::finishMoves(*this, found);
    m_records.refreshFlags();
    repaired.finished = finished.names;

    // The repairs' look-ups hold until files move; every path goes through the same check as an
    // operation's.
    const QHash<QByteArray, QString> known =
        finished.names.isEmpty() ? found : QHash<QByteArray, QString>();
    ItemPlaces places = m_files.itemPlaces();
    for (const DesktopStack& stack : m_records.all()) {
        QList<std::optional<QString>> paths;
        paths.reserve(stack.items.size());
        QList<QByteArray> unknown;
        QList<qsizetype> unknownAt;
        for (qsizetype i = 0; i < stack.items.size(); ++i) {
            const QByteArray& bookmark = stack.items.at(i).bookmark;
            if (const auto found = known.constFind(bookmark); found != known.cend()) {
                paths.append(*found);
            } else {
                paths.append(std::nullopt);
                unknown.append(bookmark);
                unknownAt.append(i);
            }
        }
        if (!unknown.isEmpty()) {
            QList<std::optional<QString>> resolved = m_services.bookmarks.resolveAll(unknown);
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
        m_services.alerts.showError(*warning);
    if (const std::optional<TidoraError> report = reconciliation.launchReport(repaired))
        m_services.alerts.showError(*report);
    if (!finished.failures.isEmpty())
        m_services.alerts.showError(
            finished.failures.error(finished.asked, QStringLiteral("moved where their stacks are"),
                                    finished.failures.places(), m_folders));
    if (!m_services.settings.boolValue(SettingsKey::acknowledgedHiddenStorage, false))
        (void)showFirstRunAlert(false);
}
