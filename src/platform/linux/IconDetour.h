#pragma once

#include "platform/Status.h"

#include <QString>
#include <QStringList>

class FileSystem;

// Makes a desktop program show an icon afresh, so it places it where its store now says: the
// file is renamed to a hidden name in the same folder and straight back ("off and back"). The
// program sees the file leave and a new one arrive; nothing else about the file changes.
//
// Both steps are renames that never replace anything. A crash between them leaves the file
// under its hidden name, ".tidora-return." + its name, or in the hidden folder ".tidora-return"
// beside it; recover(), run when the bridge is made at start-up, renames every such file back
// when its own name is free.
class IconDetour
{
public:
    enum class Route {
        // A hidden name in the same folder (Caja and Nemo take this as the file leaving and a
        // new one arriving), or the hidden folder for a name too long for that.
        hiddenName,
        // Always the hidden folder: xfdesktop takes a rename within its folder as the same icon
        // keeping its place, but a move in from elsewhere as a new one.
        hiddenFolder,
    };

    IconDetour(FileSystem& fileSystem, QString folder, Route route = Route::hiddenName);

    // Takes the named item in the folder off and back.
    Status run(const QString& name);
    // Takes each named item off and back, logging failures; the names left under their
    // hidden names.
    QStringList runEach(const QStringList& names);
    // Puts back what an interrupted detour left; the names that came back.
    QStringList recover();

    // Where the item's detour goes, relative to the folder.
    static QString detourPath(const QString& name, Route route = Route::hiddenName);

    static const QString prefix;
    static const QString folderName;

private:
    Status moveBack(const QString& from, const QString& name);

    FileSystem& m_fileSystem;
    QString m_folder;
    Route m_route;
};
