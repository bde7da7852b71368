#include "platform/linux/LinuxCloudSync.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

namespace {

QString resolvedPath(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : canonical;
}

bool isInside(const QString& path, const QString& folder)
{
    if (folder.isEmpty())
        return false;
    if (folder == QLatin1String("/"))
        return true;
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// The localPath of every synced folder of every account in a Nextcloud or ownCloud
// configuration file (an ini file with keys such as 0\Folders\1\localPath).
QStringList clientFolders(const QString& configFile)
{
    if (!QFile::exists(configFile))
        return {};
    QStringList folders;
    QSettings settings(configFile, QSettings::IniFormat);
    const QStringList keys = settings.allKeys();
    for (const QString& key : keys) {
        if (key.endsWith(QLatin1String("/localPath")) || key == QLatin1String("localPath")) {
            const QString folder = settings.value(key).toString();
            if (!folder.isEmpty())
                folders.append(folder);
        }
    }
    return folders;
}

// The "path" of each account (personal, business) in Dropbox's info.json.
QStringList dropboxFolders(const QString& infoFile)
{
    QFile file(infoFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject accounts = QJsonDocument::fromJson(file.readAll()).object();
    QStringList folders;
    for (auto it = accounts.begin(); it != accounts.end(); ++it) {
        const QString folder = it.value().toObject().value(QStringLiteral("path")).toString();
        if (!folder.isEmpty())
            folders.append(folder);
    }
    return folders;
}

} // namespace

LinuxCloudSync::LinuxCloudSync(const Paths& paths)
    : m_paths(paths)
{}

QStringList LinuxCloudSync::syncedFolders() const
{
    const QString config = m_paths.configRoot();
    const QString home = m_paths.home();
    QStringList folders;
    folders += clientFolders(config + QStringLiteral("/Nextcloud/nextcloud.cfg"));
    folders += clientFolders(home + QStringLiteral("/.var/app/com.nextcloud.desktopclient."
                                                   "nextcloud/config/Nextcloud/nextcloud.cfg"));
    folders += clientFolders(config + QStringLiteral("/ownCloud/owncloud.cfg"));
    folders += dropboxFolders(home + QStringLiteral("/.dropbox/info.json"));
    return folders;
}

bool LinuxCloudSync::isSynced(const QString& folder) const
{
    const QString path = resolvedPath(folder);
    const QStringList synced = syncedFolders();
    for (const QString& root : synced) {
        if (isInside(path, resolvedPath(root)))
            return true;
    }
    // Syncthing marks the root of each shared folder.
    for (QString dir = path; !dir.isEmpty(); dir = QFileInfo(dir).path()) {
        if (QFileInfo::exists(dir + QStringLiteral("/.stfolder")))
            return true;
        if (dir == QLatin1String("/") || dir == QLatin1String("."))
            break;
    }
    return false;
}
