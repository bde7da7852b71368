#include "platform/linux/QtRunningProgram.h"

#include "platform/PlatformLog.h"
#include "platform/linux/GnomeShortcut.h"
#include "platform/linux/KdeGlobalShortcut.h"
#include "platform/linux/filemanagers/FileManagerActions.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

QString QtRunningProgram::executableFolder() const
{
    return QCoreApplication::applicationDirPath();
}

Installation QtRunningProgram::installation() const
{
    return installationOf(QCoreApplication::applicationFilePath(),
                          QStringLiteral("/var/lib/dpkg/info/tidora.list"));
}

Installation QtRunningProgram::installationOf(const QString& program, const QString& packageList)
{
    const QFileInfo info(program);
    QFile list(packageList);
    if (list.open(QIODevice::ReadOnly)) {
        const QString real = info.canonicalFilePath();
        while (!list.atEnd()) {
            const QString listed = QString::fromUtf8(list.readLine()).trimmed();
            if (listed == info.absoluteFilePath() || listed == real)
                return Installation::byPackage;
        }
    }
    if (QFileInfo::exists(info.absolutePath() + QStringLiteral("/../CMakeCache.txt")))
        return Installation::buildFolder;
    return Installation::byHand;
}

void QtRunningProgram::quit()
{
    // Queued, so the caller's own step ends before the event loop does.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}

void QtRunningProgram::removeDesktopIntegration()
{
    const FileManagerActions::Outcome outcome =
        FileManagerActions(FileManagerActions::userPlaces(), QString()).remove();
    // Uninstalling goes on: an action left behind is named in the log.
    for (const FileManager manager : outcome.failed)
        qCWarning(lcPlatform).noquote()
            << QStringLiteral("Tidorama: could not remove the right-click action from %1")
                   .arg(FileManagerActions::name(manager));
    // Left registered, KDE would go on taking the hot key for a program that is gone, and
    // GNOME would run one.
    if (KdeGlobalShortcut::isAvailable())
        KdeGlobalShortcut::unregister();
    GnomeShortcut::remove();
}

void QtRunningProgram::refreshInstalledLists(const QString& prefix)
{
    // Each only where the desktop has the tool; a failure leaves a list behind, not a file.
    const QString database =
        QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (!database.isEmpty())
        QProcess::execute(database,
                          {QStringLiteral("-q"), prefix + QStringLiteral("/share/applications")});
    const QString iconCache =
        QStandardPaths::findExecutable(QStringLiteral("gtk-update-icon-cache"));
    const QString icons = prefix + QStringLiteral("/share/icons/hicolor");
    if (!iconCache.isEmpty() && QFileInfo::exists(icons + QStringLiteral("/icon-theme.cache")))
        QProcess::execute(
            iconCache, {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("-f"), icons});
}
