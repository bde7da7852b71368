#include "operations/Uninstall.h"

#include "engine/StackManager.h"
#include "operations/AskToConfirm.h"
#include "operations/GivingBack.h"
#include "operations/InstallManifest.h"
#include "platform/Alerts.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/RunningProgram.h"
#include "platform/Scheduler.h"
#include "platform/Settings.h"
#include "platform/TidoraError.h"
#include "platform/Wording.h"
#include "store/StorageFolders.h"

#include <QFileInfo>
#include <QPointer>

namespace Uninstall {

namespace {

bool uninstallConfirmed(StackManager& manager)
{
    const Services& services = manager.services();
    const bool anything = !manager.stacks().isEmpty() || GivingBack::itemsToGiveBack(manager) > 0;
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.message = QStringLiteral("Uninstall Tidora?");
    alert.informativeText =
        (anything ? QStringLiteral("All your stacked files will be back on your Desktop, just as "
                                   "they were before you stacked them.")
                  : QStringLiteral("Nothing is stacked, so no files are moved.")) +
        QStringLiteral("\n\nThen the app's settings and the app itself are removed; ") +
        services.wording.uninstallAppRemoval +
        QStringLiteral(" If any file can't be moved, nothing is removed and you're told where "
                       "it is.");
    alert.buttons = {QStringLiteral("Uninstall"), QStringLiteral("Cancel")};
    alert.defaultButton = 0;
    if (anything) {
        alert.checkboxTitle = QStringLiteral(
            "I understand that I must remove my stacked files with this Uninstall option. "
            "Deleting the app or its stacks folder by hand can leave my files lost.");
        alert.checkboxEnables = 0;
    }
    return askToConfirm(services.alerts, alert);
}

// The first storage folder that still holds something (or cannot be looked into).
std::optional<QString> folderWithLeftovers(const StackManager& manager)
{
    const FileSystem& fs = manager.fm();
    for (const QString& storage : manager.folders().allStorageFolders()) {
        const std::optional<Listing> listing = fs.list(storage);
        const bool holdsSomething =
            listing ? (listing->unnamed > 0 ||
                       std::any_of(listing->names.cbegin(), listing->names.cend(),
                                   [](const QString& name) {
                                       return !StorageFolders::isIgnoredName(name);
                                   }))
                    : fs.isDirectory(storage);
        if (holdsSomething)
            return storage;
    }
    return std::nullopt;
}

void removeFileIfThere(FileSystem& fs, const QString& path)
{
    if (fs.exists(path) && !fs.isDirectory(path))
        (void)fs.removeFile(path);
}

// The program's own state, its start at login and the program itself. Failures are not
// reported: the user's files are safe on the Desktop by now.
void removeTraces(StackManager& manager)
{
    const Services& services = manager.services();
    FileSystem& fs = manager.fm();

    // Only the files the program wrote: anything else the user put in the folder keeps it.
    const QStringList ownFiles = manager.records().file().ownFiles();
    for (const QString& file : ownFiles)
        removeFileIfThere(fs, file);
    (void)fs.removeEmptyFolder(QFileInfo(ownFiles.first()).path());

    services.settings.removeAll();
    removeFileIfThere(fs, autostartEntry(services.paths.configRoot()));
    // Left behind, the right-click actions would run a program that is gone.
    services.program.removeDesktopIntegration();

    const QString manifest = InstallManifest::pathFor(services.program.executableFolder());
    if (InstallManifest::isPerUserInstall(fs, manifest, services.paths.home())) {
        InstallManifest::removeInstall(fs, manifest, services.paths.home());
    } else if (!services.wording.systemWideRemovalText.isEmpty()) {
        // Installed for every user: only the package manager may remove it.
        Alert alert;
        alert.style = Alert::Style::Informational;
        alert.message = services.wording.systemWideRemovalMessage;
        alert.informativeText = services.wording.systemWideRemovalText;
        alert.buttons = {QStringLiteral("OK")};
        services.alerts.bringToFront();
        services.alerts.run(alert);
    }
}

void finish(StackManager& manager)
{
    const Services& services = manager.services();
    if (const std::optional<QString> storage = folderWithLeftovers(manager)) {
        const QString shown = services.paths.displayPath(*storage);
        QString description = QStringLiteral("Some files couldn't be moved to your Desktop, so "
                                             "Tidora was not removed. They are in ") +
                              shown + QLatin1Char('.');
        if (shown.contains(QLatin1String("/.")))
            description += QLatin1Char(' ') + services.wording.showHiddenFolders;
        return services.alerts.showError(TidoraError{ErrorCode::uninstallBlocked, description});
    }
    removeTraces(manager);
    services.program.quit();
}

} // namespace

void uninstall(StackManager& manager)
{
    if (!uninstallConfirmed(manager))
        return;
    const QPointer<StackManager> alive(&manager);
    GivingBack::giveBack(manager);
    if (!alive)
        return;
    manager.services().scheduler.after(std::chrono::milliseconds(1200), &manager,
                                       [&manager] { finish(manager); });
}

QString autostartEntry(const QString& configRoot)
{
    return configRoot + QStringLiteral("/autostart/tidora.desktop");
}

} // namespace Uninstall
