#include "store/FirstRunAlert.h"

#include "platform/Settings.h"
#include "platform/Wording.h"
#include "store/StorageFolders.h"

FirstRunAlert::FirstRunAlert(Alerts& alerts, Settings& settings, const StorageFolders& folders,
                             ChangeLocation changeLocation)
    : m_alerts(alerts)
    , m_settings(settings)
    , m_folders(folders)
    , m_changeLocation(std::move(changeLocation))
{}

Alert FirstRunAlert::alert(const StorageFolders& folders, bool beforeStacking)
{
    const Wording& w = folders.wording();
    const QString documents = folders.label(StorageLocation::documents);
    const QString desktop = folders.label(StorageLocation::desktop);
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.message = QStringLiteral("Important: where your stacked files go");
    alert.informativeText =
        QStringLiteral("Stacking moves your real files, not copies, into a folder. Choose where it "
                       "is:\n\n\u2022 ") +
        documents + QStringLiteral(", ") + folders.displayPath(StorageLocation::documents) +
        QStringLiteral(": your Desktop stays really tidy.\n\u2022 ") + desktop +
        QStringLiteral(", ") + folders.displayPath(StorageLocation::desktop) +
        w.firstRunSyncedDesktop +
        (folders.desktopSyncsWithICloud() ? w.firstRunDesktopSyncs : QString()) +
        QStringLiteral("\n\nYou can change this later in the ") + w.menuIcon +
        QStringLiteral("; the files are moved for you.\n\nStacks only show while Tidora is "
                       "running, so it opens when you log in. If it isn't running, your files are "
                       "still safe in that folder: open Tidora and the stacks come back.\n\nTo "
                       "remove Tidora, choose Uninstall Tidora\u2026 from the ") +
        w.menuIcon +
        QStringLiteral(". It moves every file back to your Desktop first. If you delete the app "
                       "any other way, nothing is lost: install it again to bring the stacks back, "
                       "or see Help & Recovering Files\u2026 in the menu.");
    alert.buttons = beforeStacking
                        ? QStringList{QStringLiteral("Continue"), QStringLiteral("Cancel")}
                        : QStringList{QStringLiteral("OK")};
    alert.defaultButton = 0;
    alert.popupLabel = QStringLiteral("Keep stacked files in:");
    for (const StorageLocation location : allStorageLocations)
        alert.popupItems.append(folders.label(location));
    alert.popupIndex = folders.currentStorageLocation() == StorageLocation::desktop ? 1 : 0;
    alert.checkboxTitle = QStringLiteral("I understand that my stacked files are kept in this "
                                         "folder, and that I must remove the app with Uninstall "
                                         "Tidora\u2026.");
    alert.checkboxEnables = 0;
    return alert;
}

bool FirstRunAlert::showFirstRunAlert(bool beforeStacking)
{
    if (m_settings.boolValue(SettingsKey::acknowledgedHiddenStorage, false))
        return true;
    m_alerts.bringToFront();
    const AlertAnswer answer = m_alerts.run(alert(m_folders, beforeStacking));
    if (answer.button != 0)
        return false;
    const StorageLocation chosen =
        answer.popupIndex == 1 ? StorageLocation::desktop : StorageLocation::documents;
    if (chosen != m_folders.currentStorageLocation() &&
        (!m_changeLocation || !m_changeLocation(chosen)))
        return false;
    m_settings.setValue(SettingsKey::storageLocation, rawValue(chosen));
    m_settings.setValue(SettingsKey::acknowledgedHiddenStorage, true);
    return true;
}
