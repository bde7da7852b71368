#include "HandOverWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

namespace HandOverWriter {

namespace {

constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;

// The folder, made if it is missing; only a real folder of the user's own, which nobody else
// may enter, will do.
bool ensurePrivateFolder(const QString& folder)
{
    QFileInfo info(folder);
    if (!info.exists() && !info.isSymLink() && !QDir().mkdir(folder, ownerOnly))
        return false;
    info.refresh();
    if (info.isSymLink() || !info.isDir() || info.ownerId() != ::getuid())
        return false;
    return (info.permissions() & ~ownerOnly) == 0 || QFile::setPermissions(folder, ownerOnly);
}

} // namespace

QByteArray text(const QList<QByteArray>& paths, qint64 writtenMs)
{
    QByteArray result = "tidora-selection 1\n" + QByteArray::number(writtenMs) + '\n';
    for (const QByteArray& path : paths)
        result += path.toPercentEncoding("/") + '\n';
    return result;
}

bool write(const QString& runtimeFolder, const QList<QByteArray>& paths, qint64 writtenMs)
{
    if (runtimeFolder.isEmpty())
        return false;
    const QString folder = runtimeFolder + QStringLiteral("/tidora");
    if (!ensurePrivateFolder(folder))
        return false;
    const QString path = folder + QStringLiteral("/selection");
    // Written through, a link would put the text somewhere else.
    if (QFileInfo(path).isSymLink() && !QFile::remove(path))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text(paths, writtenMs));
    return file.commit();
}

} // namespace HandOverWriter
