#include "platform/linux/FreedesktopTrash.h"

#include "platform/linux/FileIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <gio/gio.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace FreedesktopTrash {

namespace {

// Who the file at the path is, a link not followed.
std::optional<FileIdentity> identityOf(const QString& path)
{
    return FileIdentity::of(QFile::encodeName(path));
}

// Whether the path holds that very file.
bool holds(const QString& path, const FileIdentity& identity)
{
    const std::optional<FileIdentity> found = identityOf(path);
    return found && found->sameFileAs(identity);
}

std::optional<dev_t> deviceOf(const QByteArray& folder)
{
    struct stat info;
    if (::stat(folder.constData(), &info) != 0)
        return std::nullopt;
    return info.st_dev;
}

QString quoted(const QString& name)
{
    return QChar(0x201C) + name + QChar(0x201D);
}

// The top of the drive that holds the folder (links resolved), where that drive's own Trash
// lies: the last folder on the way up that is still on the same device.
QString topOfDrive(const QString& folder)
{
    char buffer[PATH_MAX];
    if (!::realpath(QFile::encodeName(folder).constData(), buffer))
        return QString();
    QByteArray top(buffer);
    const std::optional<dev_t> device = deviceOf(top);
    while (device && top != "/") {
        const qsizetype slash = top.lastIndexOf('/');
        const QByteArray parent = slash == 0 ? QByteArray("/") : top.left(slash);
        if (deviceOf(parent) != device)
            break;
        top = parent;
    }
    return QFile::decodeName(top);
}

// The "files" folders of every Trash the file may go to: the home Trash, and the two the
// freedesktop rules allow at the top of the file's drive.
QStringList filesFolders(const QString& path)
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    QStringList folders{dataHome + QStringLiteral("/Trash/files")};
    QString top = topOfDrive(QFileInfo(path).path());
    if (top.isEmpty())
        return folders;
    if (top == QLatin1String("/"))
        top.clear();
    const QString uid = QString::number(::geteuid());
    folders.append(top + QStringLiteral("/.Trash/") + uid + QStringLiteral("/files"));
    folders.append(top + QStringLiteral("/.Trash-") + uid + QStringLiteral("/files"));
    return folders;
}

// The n-th name GIO tries for a file in the Trash: the name itself, then ".2", ".3"… before its
// first dot.
QString numberedName(const QString& name, int number)
{
    if (number == 1)
        return name;
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    const QString suffix = QLatin1Char('.') + QString::number(number);
    if (dot < 0)
        return name + suffix;
    return name.left(dot) + suffix + name.mid(dot);
}

// Where in the Trash's "files" folder the file with this identity lies, by the names GIO gives
// or, with `scan`, by a look at every entry.
std::optional<QString> findIn(const QString& folder, const QString& name,
                              const FileIdentity& identity, bool scan)
{
    const QString info = QFileInfo(folder).path() + QStringLiteral("/info/");
    // GIO takes the first of its names whose info file is free, so these are the only places
    // unless someone else moved the file on.
    for (int number = 1; number < 1000; ++number) {
        const QString candidate = numberedName(name, number);
        const QString path = folder + QLatin1Char('/') + candidate;
        if (holds(path, identity))
            return path;
        if (!identityOf(info + candidate + QStringLiteral(".trashinfo")))
            break;
    }
    if (!scan)
        return std::nullopt;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(QFile::encodeName(folder).constData()),
                                            &::closedir);
    if (!dir)
        return std::nullopt;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        const QString path = folder + QLatin1Char('/') + QFile::decodeName(entry->d_name);
        if (holds(path, identity))
            return path;
    }
    return std::nullopt;
}

// GIO's message names the file by its full path; the name alone reads better in an alert.
QString reasonOf(const GError* error, GFile* file, const QString& name)
{
    if (!error)
        return QStringLiteral("The Trash could not take %1.").arg(quoted(name));
    QString reason = QString::fromUtf8(error->message);
    char* shown = g_filename_display_name(g_file_peek_path(file));
    reason.replace(QString::fromUtf8(shown), quoted(name));
    g_free(shown);
    return reason;
}

} // namespace

Status moveToTrash(const QString& path, QString* trashedPath)
{
    const QString name = QFileInfo(path).fileName();
    const std::optional<FileIdentity> identity = identityOf(path);
    if (!identity)
        return Status::failure(QString::fromLocal8Bit(std::strerror(errno)));

    GFile* file = g_file_new_for_path(QFile::encodeName(path).constData());
    GError* error = nullptr;
    const bool trashed = g_file_trash(file, nullptr, &error);
    const QString reason = trashed ? QString() : reasonOf(error, file, name);
    g_clear_error(&error);
    g_object_unref(file);
    if (!trashed)
        return Status::failure(reason);

    const QStringList folders = filesFolders(path);
    for (const bool scan : {false, true}) {
        for (const QString& folder : folders) {
            if (const std::optional<QString> found = findIn(folder, name, *identity, scan)) {
                if (trashedPath)
                    *trashedPath = *found;
                return Status::success();
            }
        }
    }
    if (holds(path, *identity))
        return Status::failure(QStringLiteral("The Trash did not take %1.").arg(quoted(name)));
    return Status::failure(
        QStringLiteral("%1 was moved, but not into a Trash folder.").arg(quoted(name)));
}

} // namespace FreedesktopTrash
