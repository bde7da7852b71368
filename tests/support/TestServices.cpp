#include "TestServices.h"

#include "engine/StackManager.h"
#include "engine/Stacker.h"
#include "platform/linux/InodeBookmarks.h"
#include "platform/linux/LinuxWording.h"

#include <QFileInfo>

namespace {

std::unique_ptr<InodeBookmarks> makeBookmarks(const StorageFolders& folders, const Paths& paths)
{
    return std::make_unique<InodeBookmarks>([&folders, &paths] {
        return QList<InodeBookmarks::SearchRoot>{
            {folders.storageFolder(StorageLocation::documents), 2},
            {folders.storageFolder(StorageLocation::desktop), 2},
            {paths.desktop(), 1}};
    });
}

} // namespace

TestServices::TestServices()
    : wording(linuxWording())
    , m_bookmarks(makeBookmarks(folders, paths))
{}

TestServices::~TestServices()
{
    m_manager.reset();
}

InodeBookmarks& TestServices::bookmarks()
{
    return *m_bookmarks;
}

Services TestServices::services()
{
    return Services{paths,   settings, guard,    fs,    *m_bookmarks, scheduler, alerts, screens,
                    desktop, windows,  firstRun, cloud, wording,      workspace, program};
}

StackManager& TestServices::manager()
{
    if (!m_manager)
        m_manager = std::make_unique<StackManager>(services());
    return *m_manager;
}

StackManager& TestServices::relaunch()
{
    m_manager.reset();
    m_bookmarks = makeBookmarks(folders, paths);
    m_manager = std::make_unique<StackManager>(services());
    m_manager->restoreAtLaunch();
    return *m_manager;
}

QString TestServices::desktopPath(const QString& name) const
{
    return paths.desktop() + QLatin1Char('/') + name;
}

QString TestServices::addDesktopFile(const QString& name, std::optional<QPointF> icon)
{
    const QString path = invariant.addDesktopFile(name);
    if (icon)
        desktop.setIcon(name, *icon);
    return path;
}

QList<DesktopFile> TestServices::desktopFiles(const QStringList& names)
{
    QList<DesktopFile> files;
    for (const QString& name : names)
        files.append(DesktopFile{desktopPath(name), desktop.icon(name)});
    return files;
}

std::optional<DesktopStack> TestServices::stack(const QStringList& names,
                                                std::optional<QString> name)
{
    StackManager& stacks = manager();
    const qsizetype before = stacks.stacks().size();
    const QList<DesktopFile> files = desktopFiles(names);
    stacks.stackFiles(files, std::move(name),
                      stacks.operations().stacker.defaultWindowOrigin(files));
    if (stacks.stacks().size() == before)
        return std::nullopt;
    return stacks.stacks().last();
}

DesktopStack TestServices::stackNew(const QStringList& names, std::optional<QString> name)
{
    addDesktopFiles(names);
    return stack(names, std::move(name)).value();
}

void TestServices::addDesktopFiles(const QStringList& names)
{
    for (const QString& name : names)
        addDesktopFile(name);
}

std::optional<DesktopStack> TestServices::record(const QUuid& id)
{
    return manager().stackWithID(id);
}

QString TestServices::stackFolder(const DesktopStack& stack) const
{
    return folders.stackFolderURL(stack);
}

QStringList TestServices::itemNames(const DesktopStack& stack)
{
    QStringList names;
    for (const StackItem& item : stack.items)
        names.append(item.name);
    return names;
}

QStringList TestServices::namesIn(const QString& folder) const
{
    std::optional<Listing> listing = fs.list(folder);
    if (!listing)
        return {};
    listing->names.sort();
    return listing->names;
}
