#include "operations/InstallManifest.h"

#include "operations/OperationsLog.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace InstallManifest {

namespace {

const QString relativeToPrefix = QStringLiteral("share/tidora/install-manifest.txt");

bool isInside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// A regular file or a symbolic link (of any target); never followed.
bool isFileOrLink(const QString& path)
{
    const QFileInfo info(path);
    return info.isSymLink() || info.isFile();
}

QStringList listedPaths(const QString& manifest)
{
    QFile file(manifest);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList paths;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QString path = QString::fromUtf8(line);
        if (!path.isEmpty() && QDir::isAbsolutePath(path))
            paths.append(QDir::cleanPath(path));
    }
    return paths;
}

void removeListedFile(FileSystem& fs, const QString& path)
{
    if (const Status removed = fs.removeFile(path); !removed)
        qCWarning(lcOperations).noquote() << QStringLiteral("Tidorama: could not remove ") + path +
                                                 QStringLiteral(": ") + removed.description();
}

} // namespace

QString pathFor(const QString& executableFolder)
{
    return QDir::cleanPath(executableFolder + QStringLiteral("/../") + relativeToPrefix);
}

bool isPerUserInstall(const FileSystem& fs, const QString& manifest, const QString& home)
{
    const QString resolvedHome = fs.resolved(home);
    const QString resolved = fs.resolved(manifest);
    return resolved != resolvedHome && isInside(resolved, resolvedHome) &&
           QFileInfo(resolved).isFile();
}

void removeInstall(FileSystem& fs, const QString& manifest, const QString& home)
{
    const QString clean = QDir::cleanPath(manifest);
    const QString prefix = QDir::cleanPath(clean + QStringLiteral("/../../.."));
    const QString resolvedHome = fs.resolved(home);

    // Judged by where each entry really lies: a link on the way must not lead out of the home.
    QStringList files;
    bool manifestListed = false;
    for (const QString& path : listedPaths(clean)) {
        if (!isInside(fs.resolvedParent(path), resolvedHome) || !isFileOrLink(path))
            continue;
        if (path == clean)
            manifestListed = true;
        else
            files.append(path);
    }
    QSet<QString> folders;
    for (const QString& path : std::as_const(files)) {
        removeListedFile(fs, path);
        folders.insert(QFileInfo(path).path());
    }
    // Last, so that an install removed half-way can still be removed.
    if (manifestListed) {
        removeListedFile(fs, clean);
        folders.insert(QFileInfo(clean).path());
    }

    QStringList deepestFirst(folders.cbegin(), folders.cend());
    std::sort(deepestFirst.begin(), deepestFirst.end(), [](const QString& a, const QString& b) {
        const qsizetype depthA = a.count(QLatin1Char('/'));
        const qsizetype depthB = b.count(QLatin1Char('/'));
        return depthA != depthB ? depthA > depthB : a < b;
    });
    for (const QString& folder : std::as_const(deepestFirst)) {
        if (folder != prefix && isInside(folder, prefix) && fs.isDirectory(folder))
            (void)fs.removeEmptyFolder(folder);
    }
}

} // namespace InstallManifest
