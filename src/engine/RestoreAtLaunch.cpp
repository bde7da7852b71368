#include "engine/StackManager.h"

#include "platform/Alerts.h"
#include "platform/Settings.h"
#include "store/Reconciliation.h"

// The launch step: the stacks file, repaired against the disk by the store's reconciliation,
// one window per stack, then what the user must be told. The repairs report each change of the
// list, which is saved right then.
void StackManager::restoreAtLaunch()
{
    setStacks(stackListFile().loadStackList());
    recomputeFlags();

    Reconciliation reconciliation(m_services.paths, m_services.settings, m_folders, fm(),
                                  m_services.bookmarks, m_services.screens);
    const ReconciliationResult repaired = reconciliation.repair(m_stacks, [this] {
        recomputeFlags();
        saveStackList();
    });

    const QHash<QByteArray, QString>& known = reconciliation.records().knownPaths();
    for (const DesktopStack& stack : std::as_const(m_stacks)) {
        QStringList files;
        files.reserve(stack.items.size());
        for (const StackItem& item : stack.items) {
            if (const auto found = known.constFind(item.bookmark); found != known.cend())
                files.append(*found);
            else if (const std::optional<QString> path = resolvedPath(item.bookmark))
                files.append(*path);
        }
        showWindow(stack, files);
    }

    if (const std::optional<TidoraError> warning = reconciliation.missingFoldersWarning(m_stacks))
        m_services.alerts.showError(*warning);
    if (const std::optional<TidoraError> report = reconciliation.launchReport(repaired))
        m_services.alerts.showError(*report);
    if (!m_services.settings.boolValue(SettingsKey::acknowledgedHiddenStorage, false))
        (void)showFirstRunAlert(false);
}
