#include "platform/linux/IconDetour.h"

#include "platform/FileSystem.h"
#include "platform/PlatformLog.h"

#include <QFile>

const QString IconDetour::prefix = QStringLiteral(".tidora-return.");
const QString IconDetour::folderName = QStringLiteral(".tidora-return");

namespace {

// The longest file name Linux file systems take, in bytes.
constexpr qsizetype maxNameBytes = 255;

} // namespace

IconDetour::IconDetour(FileSystem& fileSystem, QString folder, Route route)
    : m_fileSystem(fileSystem)
    , m_folder(std::move(folder))
    , m_route(route)
{}

QString IconDetour::detourPath(const QString& name, Route route)
{
    const QString hidden = prefix + name;
    if (route == Route::hiddenName && QFile::encodeName(hidden).size() <= maxNameBytes)
        return hidden;
    return folderName + QLatin1Char('/') + name;
}

Status IconDetour::run(const QString& name)
{
    const QString original = m_folder + QLatin1Char('/') + name;
    const QString relative = detourPath(name, m_route);
    const QString hidden = m_folder + QLatin1Char('/') + relative;
    if (relative.startsWith(folderName + QLatin1Char('/'))) {
        if (Status made = m_fileSystem.makeFolder(m_folder + QLatin1Char('/') + folderName, true);
            !made)
            return made;
    }
    if (Status away = m_fileSystem.move(original, hidden); !away)
        return away;
    const Status back = moveBack(hidden, name);
    if (relative.startsWith(folderName + QLatin1Char('/')))
        (void)m_fileSystem.removeEmptyFolder(m_folder + QLatin1Char('/') + folderName);
    return back;
}

QStringList IconDetour::runEach(const QStringList& names)
{
    QStringList stranded;
    for (const QString& name : names) {
        const Status shown = run(name);
        if (shown)
            continue;
        qCWarning(lcPlatform).noquote()
            << QStringLiteral("Tidorama: could not move %1: %2")
                   .arg(m_folder + QLatin1Char('/') + name, shown.description());
        if (m_fileSystem.exists(m_folder + QLatin1Char('/') + detourPath(name, m_route)))
            stranded.append(name);
    }
    return stranded;
}

QStringList IconDetour::recover()
{
    QStringList restored;
    const auto restore = [&](const QString& from, const QString& name) {
        if (moveBack(from, name))
            restored.append(name);
    };
    if (const std::optional<Listing> listing = m_fileSystem.list(m_folder)) {
        for (const QString& entry : listing->names) {
            if (entry.startsWith(prefix) && entry.size() > prefix.size())
                restore(m_folder + QLatin1Char('/') + entry, entry.mid(prefix.size()));
        }
    }
    const QString detours = m_folder + QLatin1Char('/') + folderName;
    if (const std::optional<Listing> listing = m_fileSystem.list(detours)) {
        for (const QString& entry : listing->names)
            restore(detours + QLatin1Char('/') + entry, entry);
        (void)m_fileSystem.removeEmptyFolder(detours);
    }
    return restored;
}

Status IconDetour::moveBack(const QString& from, const QString& name)
{
    const QString original = m_folder + QLatin1Char('/') + name;
    const Status back = m_fileSystem.move(from, original);
    if (!back) {
        qCWarning(lcPlatform).noquote()
            << QStringLiteral("Tidorama: could not restore %1: %2").arg(from, back.description());
    }
    return back;
}
