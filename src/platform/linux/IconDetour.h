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
// under its hidden name, ".tidora-return." + its name, or — for a name too long for that — in
// the hidden folder ".tidora-return" beside it; recover(), run when the bridge is made at
// start-up, renames every such file back when its own name is free.
class IconDetour
{
public:
    IconDetour(FileSystem& fileSystem, QString folder);

    // Takes the named item in the folder off and back.
    Status run(const QString& name);
    // Puts back what an interrupted detour left; the names that came back.
    QStringList recover();

    // Where the item's detour goes, relative to the folder.
    static QString detourPath(const QString& name);

    static const QString prefix;
    static const QString folderName;

private:
    Status moveBack(const QString& from, const QString& name);

    FileSystem& m_fileSystem;
    QString m_folder;
};
