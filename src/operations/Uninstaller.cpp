#include "operations/Uninstaller.h"

#include "engine/StackRecords.h"
#include "operations/AllFilesBack.h"
#include "operations/AskToConfirm.h"
#include "operations/InstallManifest.h"
#include "platform/Alerts.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/RunningProgram.h"
#include "platform/Scheduler.h"
#include "platform/Settings.h"
#include "platform/TidoraError.h"
#include "platform/Wording.h"
#include "store/StackListFile.h"
#include "store/StorageFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace {

// The first storage folder that still holds something (or cannot be looked into).
std::optional<QString> folderWithLeftovers(const FileSystem& fs, const StorageFolders& folders)
{
    for (const QString& storage : folders.allStorageFolders()) {
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

} // namespace

Uninstaller::Uninstaller(Alerts& alerts, Scheduler& scheduler, FileSystem& fs, const Paths& paths,
                         Settings& settings, const Wording& wording, RunningProgram& program,
                         const StorageFolders& folders, const StackRecords& records,
                         AllFilesBack& allFilesBack, QObject& context)
    : m_alerts(alerts)
    , m_scheduler(scheduler)
    , m_fs(fs)
    , m_paths(paths)
    , m_settings(settings)
    , m_wording(wording)
    , m_program(program)
    , m_folders(folders)
    , m_records(records)
    , m_allFilesBack(allFilesBack)
    , m_context(context)
{}

Uninstaller::Removal Uninstaller::removal() const
{
    const QString folder = m_program.executableFolder();
    const QString manifest = InstallManifest::pathFor(folder);
    const Installation installation =
        InstallManifest::isPerUserInstall(m_fs, manifest, m_paths.home())
            ? Installation::forThisUser
            : m_program.installation();
    const Wording::AppRemoval* texts = &m_wording.removalForThisUser;
    // Where the user finds it: the prefix of an install, the build folder itself.
    QString where = QDir::cleanPath(folder + QStringLiteral("/.."));
    switch (installation) {
    case Installation::forThisUser:
        break;
    case Installation::byPackage:
        texts = &m_wording.removalByPackage;
        break;
    case Installation::byHand:
        texts = &m_wording.removalByHand;
        break;
    case Installation::buildFolder:
        texts = &m_wording.removalOfBuildFolder;
        break;
    }
    const QString shown = m_paths.displayPath(where);
    const auto filled = [&shown](QString text) {
        return text.replace(QStringLiteral("{folder}"), shown);
    };
    return Removal{installation, filled(texts->confirmation), filled(texts->message),
                   filled(texts->text)};
}

bool Uninstaller::uninstallConfirmed(const Removal& removal, bool anything)
{
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.message = QStringLiteral("Uninstall Tidora?");
    alert.informativeText =
        (anything ? QStringLiteral("All your stacked files will be back on your Desktop, just as "
                                   "they were before you stacked them.")
                  : QStringLiteral("Nothing is stacked, so no files are moved.")) +
        QStringLiteral("\n\n") + removal.confirmation +
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
    return askToConfirm(m_alerts, alert);
}

// The program's own state, its start at login and the program itself. Failures are not
// reported: the user's files are safe on the Desktop by now.
void Uninstaller::removeTraces(const Removal& removal, bool gaveBack)
{
    // Only the files the program wrote: anything else the user put in the folder keeps it.
    const QStringList ownFiles = m_records.file().ownFiles();
    for (const QString& file : ownFiles)
        removeFileIfThere(m_fs, file);
    (void)m_fs.removeEmptyFolder(QFileInfo(ownFiles.first()).path());

    m_settings.removeAll();
    removeFileIfThere(m_fs, autostartEntry(m_paths.configRoot()));
    // Left behind, the right-click actions would run a program that is gone.
    m_program.removeDesktopIntegration();

    if (removal.installation == Installation::forThisUser) {
        InstallManifest::removeInstall(m_fs, InstallManifest::pathFor(m_program.executableFolder()),
                                       m_paths.home());
        m_program.refreshInstalledLists(
            QDir::cleanPath(m_program.executableFolder() + QStringLiteral("/..")));
    } else if (!removal.text.isEmpty()) {
        // The program cannot remove itself: say what was done and how the rest goes.
        Alert alert;
        alert.style = Alert::Style::Informational;
        alert.message = removal.message;
        alert.informativeText =
            (gaveBack ? QStringLiteral("Your stacked files are back on your Desktop, and "
                                       "Tidora's settings are removed. ")
                      : QStringLiteral("Tidora's settings are removed. ")) +
            removal.text;
        alert.buttons = {QStringLiteral("OK")};
        m_alerts.bringToFront();
        m_alerts.run(alert);
    }
}

void Uninstaller::finish(const Removal& removal, bool gaveBack)
{
    if (const std::optional<QString> storage = folderWithLeftovers(m_fs, m_folders)) {
        const QString shown = m_paths.displayPath(*storage);
        QString description = QStringLiteral("Some files couldn't be moved to your Desktop, so "
                                             "Tidora was not removed. They are in ") +
                              shown + QLatin1Char('.');
        if (shown.contains(QLatin1String("/.")))
            description += QLatin1Char(' ') + m_wording.showHiddenFolders;
        return m_alerts.showError(TidoraError{ErrorCode::uninstallBlocked, description});
    }
    removeTraces(removal, gaveBack);
    m_program.quit();
}

void Uninstaller::uninstall()
{
    const bool anything = !m_records.all().isEmpty() || m_allFilesBack.itemsToGiveBack() > 0;
    const Removal how = removal();
    if (!uninstallConfirmed(how, anything))
        return;
    const QPointer<QObject> alive(&m_context);
    m_allFilesBack.giveBack();
    if (!alive)
        return;
    m_scheduler.after(std::chrono::milliseconds(1200), &m_context,
                      [this, how, anything] { finish(how, anything); });
}

QString Uninstaller::autostartEntry(const QString& configRoot)
{
    return configRoot + QStringLiteral("/autostart/tidora.desktop");
}
