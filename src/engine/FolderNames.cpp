#include "engine/FolderNames.h"

#include "engine/FileKind.h"
#include "engine/PathNames.h"
#include "platform/FileSystem.h"
#include "store/StorageFolders.h"

FolderNames::FolderNames(const FileSystem& fs, QString folder)
    : m_fs(fs)
    , m_folder(std::move(folder))
    , m_prefix(m_folder + QLatin1Char('/'))
{
    // Names that are not UTF-8 never equal a name chosen here, so the listing's names suffice.
    if (const std::optional<Listing> listing = fs.list(m_folder))
        m_listed = QSet<QString>(listing->names.cbegin(), listing->names.cend());
}

QString FolderNames::choose(const QString& name)
{
    const QString chosen =
        firstFreeName(name, [this](const QString& candidate) { return isFree(candidate); });
    m_chosen.insert(chosen);
    return m_prefix + chosen;
}

Status FolderNames::moveThere(FileSystem& fs, const QString& from, QString& to)
{
    const Status moved = fs.move(from, to);
    if (moved || !fs.exists(to))
        return moved;
    const QString name = PathNames::fileName(to);
    to = uniqueDestination(fs, m_folder, name, m_chosen);
    m_chosen.insert(PathNames::fileName(to));
    return fs.move(from, to);
}

bool FolderNames::isFree(const QString& name) const
{
    if (m_chosen.contains(name))
        return false;
    return m_listed ? !m_listed->contains(name) : !m_fs.exists(m_prefix + name);
}

QString FolderNames::uniqueDestination(const FileSystem& fs, const QString& folder,
                                       const QString& name, const QSet<QString>& reserved)
{
    const QString prefix = folder + QLatin1Char('/');
    return prefix + firstFreeName(name, [&](const QString& candidate) {
               return !reserved.contains(candidate) && !fs.exists(prefix + candidate);
           });
}

QString FolderNames::firstFreeName(const QString& name,
                                   const std::function<bool(const QString&)>& isFree)
{
    if (isFree(name))
        return name;
    const QString extension = FileKinds::pathExtension(name);
    const QString base = extension.isEmpty() ? name : name.left(name.size() - extension.size() - 1);
    const QString dotted = extension.isEmpty() ? QString() : QLatin1Char('.') + extension;
    for (int n = 2;; ++n) {
        const QString candidate =
            StorageFolders::fittedName(base, QLatin1Char(' ') + QString::number(n) + dotted);
        if (isFree(candidate))
            return candidate;
    }
}
