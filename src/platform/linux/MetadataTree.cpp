#include "platform/linux/MetadataTree.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// Every symbolic link resolved; what does not exist is kept as written.
QByteArray expanded(const QByteArray& path)
{
    char buffer[PATH_MAX];
    if (::realpath(path.constData(), buffer))
        return QByteArray(buffer);
    if (path == "/")
        return path;
    const QByteArray parent = expanded(parentOf(path));
    return (parent == "/" ? parent : parent + '/') + path.mid(path.lastIndexOf('/') + 1);
}

dev_t deviceOf(const QByteArray& path)
{
    struct stat info;
    return ::stat(path.constData(), &info) == 0 ? info.st_dev : 0;
}

// As GIO compares a path with a folder: the folder itself or anything below it.
bool hasPrefix(const QByteArray& path, const QByteArray& prefix)
{
    return path.startsWith(prefix) &&
           (prefix.endsWith('/') || path.size() == prefix.size() || path[prefix.size()] == '/');
}

// The root of the mounted file system inside its device, for bind mounts and subvolumes
// (field 4 of /proc/self/mountinfo); empty when it is the device's own root.
QByteArray mountRoot(const QByteArray& mountPoint)
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const auto unescape = [](const QByteArray& text) {
        QByteArray plain;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == '\\' && i + 3 < text.size()) {
                plain.append(char(text.mid(i + 1, 3).toInt(nullptr, 8)));
                i += 3;
            } else {
                plain.append(text[i]);
            }
        }
        return plain;
    };
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4 && unescape(fields[4]) == mountPoint && fields[3] != "/")
            return unescape(fields[3]);
    }
    return QByteArray();
}

QByteArray joined(const QByteArray& first, const QByteArray& second)
{
    QByteArray path = first;
    if (!path.endsWith('/'))
        path += '/';
    return path + (second.startsWith('/') ? second.mid(1) : second);
}

} // namespace

MetadataTree::MetadataTree(const QString& home, const QString& dataHome, DeviceTree deviceTree)
    : m_home(QFile::encodeName(QDir::cleanPath(home)))
    , m_dataHome(QFile::encodeName(QDir::cleanPath(dataHome)))
    , m_deviceTree(std::move(deviceTree))
{}

MetadataLocation MetadataTree::locate(const QString& path) const
{
    const QByteArray clean = QFile::encodeName(QDir::cleanPath(path));
    const QByteArray parent = expanded(parentOf(clean));
    const QByteArray file = joined(parent, clean.mid(clean.lastIndexOf('/') + 1));
    // The file may not exist yet: it lies on its folder's device.
    const dev_t device = deviceOf(parent);
    const QByteArray home = expanded(m_home);

    QByteArray tree;
    QByteArray treePath;
    if (device == deviceOf(home) && hasPrefix(file, home)) {
        tree = "home";
        treePath = file.size() == home.size() ? QByteArray("/") : file.mid(home.size());
    } else if (const QString named =
                   m_deviceTree ? m_deviceTree(major(device), minor(device)) : QString();
               !named.isEmpty()) {
        // The mount point is the highest folder above the file on the same device.
        QByteArray mountPoint = file;
        for (QByteArray folder = parent; deviceOf(folder) == device; folder = parentOf(folder)) {
            mountPoint = folder;
            if (folder == "/")
                break;
        }
        if (mountPoint != "/") {
            tree = QFile::encodeName(named);
            treePath = file.mid(mountPoint.size());
            if (treePath.isEmpty())
                treePath = "/";
            if (const QByteArray root = mountRoot(mountPoint); !root.isEmpty())
                treePath = joined(root, treePath);
        }
    }
    if (tree.isEmpty()) {
        tree = "root";
        treePath = file;
    }
    return MetadataLocation{m_dataHome + "/gvfs-metadata/" + tree, treePath};
}
