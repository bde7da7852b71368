#pragma once

#include "FaultyFileSystem.h"
#include "FileInvariant.h"
#include "FixedScreens.h"
#include "LogCapture.h"
#include "MemorySettings.h"
#include "RecordingFolderGuard.h"
#include "TempHome.h"
#include "platform/linux/InodeBookmarks.h"
#include "platform/linux/LinuxCloudSync.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LinuxWording.h"
#include "store/DesktopStack.h"
#include "store/Reconciliation.h"
#include "store/StorageFolders.h"

#include <QDir>
#include <QFile>
#include <QUuid>

#include <fcntl.h>
#include <unistd.h>

// A fresh home with everything the launch repairs need, the record list they work on, and the
// invariant every test checks at its end. The storage folder is the hidden one in Documents
// unless a test says otherwise.
struct LaunchHome
{
    TempHome home;
    FileInvariant invariant{home};
    LinuxPaths paths;
    MemorySettings settings;
    FaultyFileSystem fs;
    RecordingFolderGuard guard;
    LinuxCloudSync cloud{paths};
    Wording wording = linuxWording();
    StorageFolders folders{paths, settings, fs, guard, cloud, wording};
    InodeBookmarks bookmarks{[this] {
        return QList<InodeBookmarks::SearchRoot>{
            {folders.storageFolder(StorageLocation::documents), 2},
            {folders.storageFolder(StorageLocation::desktop), 2},
            {paths.desktop(), 1}};
    }};
    FixedScreens screens;
    Reconciliation reconciliation{paths, settings, folders, fs, bookmarks, screens};
    LogCapture log;

    QList<DesktopStack> stacks;
    // How often the list was reported changed (each time the caller would save).
    int saves = 0;

    QString hidden() const { return home.documents() + QStringLiteral("/.Tidora"); }
    QString onDesktop() const { return home.desktop() + QStringLiteral("/Tidorama Files"); }
    QString legacyStacks() const { return home.desktop() + QStringLiteral("/.Tidorama"); }

    ReconciliationResult repair()
    {
        return reconciliation.repair(stacks, [this] { ++saves; });
    }

    // A gathered stack whose files lie in `relativeFolder` (relative to the home; by default
    // its folder in the hidden storage folder), each with a bookmark of where it lies.
    DesktopStack addStack(const QString& name, const QStringList& files,
                          QString relativeFolder = QString(), QPointF origin = {300, 300})
    {
        if (relativeFolder.isEmpty())
            relativeFolder = QStringLiteral("Documents/.Tidora/") + name;
        DesktopStack stack;
        stack.id = QUuid::createUuid();
        stack.name = name;
        stack.folderName = name;
        stack.windowOrigin = origin;
        home.makeFolder(relativeFolder);
        for (const QString& file : files) {
            const QString path = invariant.addFile(relativeFolder + QLatin1Char('/') + file);
            stack.items.append(StackItem{QUuid::createUuid(), file, *bookmarks.make(path),
                                         QPointF(10 * stack.items.size(), 40)});
        }
        stacks.append(stack);
        return stack;
    }

    // A record alone, without any folder or file.
    void addRecord(const QString& name, std::optional<QString> folderName,
                   StackState state = StackState::collapsed)
    {
        DesktopStack stack;
        stack.id = QUuid::createUuid();
        stack.name = name;
        stack.folderName = std::move(folderName);
        stack.state = state;
        stacks.append(stack);
    }

    // A file outside the places the program may change, which it must leave alone.
    QString writeOutside(const QString& relativePath)
    {
        const QString path = home.write(relativePath, "outside\n");
        invariant.takeSnapshot();
        return path;
    }

    const DesktopStack* stackNamed(const QString& name) const
    {
        for (const DesktopStack& stack : stacks) {
            if (stack.name == name)
                return &stack;
        }
        return nullptr;
    }

    QStringList itemNames(const DesktopStack& stack) const
    {
        QStringList names;
        for (const StackItem& item : stack.items)
            names.append(item.name);
        return names;
    }

    // Where an item's bookmark leads now.
    QString resolvedItem(const StackItem& item)
    {
        return bookmarks.resolve(item.bookmark).value_or(QString());
    }

    QStringList entries(const QString& folder) const
    {
        return QDir(folder).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    // A file whose name is not valid UTF-8 ("bad\xff"), in a folder. Removed again with the
    // home, which cannot remove it by name.
    bool writeUnnamed(const QString& folder)
    {
        const QByteArray path = QFile::encodeName(folder) + "/bad\xff";
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
        unnamed.append(path);
        return true;
    }

    ~LaunchHome()
    {
        for (const QByteArray& path : std::as_const(unnamed))
            ::unlink(path.constData());
    }

    QList<QByteArray> unnamed;
};
