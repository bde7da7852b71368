#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The file managers that can carry Tidora's right-click action.
// Dolphin stands for KDE's service menus, which the Plasma desktop shows too.
enum class FileManager { caja, nemo, pcmanfm, pcmanfmQt, thunar, nautilus, dolphin };

// What "File Manager Right-Click Menu…" writes into the user's home: Tidora's "Stack with
// Tidora" action for each file manager installed, each in that program's own format and place,
// and how it takes them away again. Only Tidora's own files (and its one entry in Thunar's
// list) are ever written or removed.
class FileManagerActions
{
public:
    struct Places
    {
        QString configRoot; // ~/.config
        QString dataRoot;   // ~/.local/share
        // The system's configuration folders ($XDG_CONFIG_DIRS), where Thunar's default list
        // of actions lies.
        QStringList systemConfigFolders;
    };

    // What one install or removal did, and the alert that tells the user.
    struct [[nodiscard]] Outcome
    {
        QList<FileManager> done;
        QList<FileManager> failed;
        QString message;
        QString informativeText;
    };

    // `finder`: the tidora-finder program the actions run. `isProgram` tells whether a program
    // of that name is installed (by default: found on the PATH).
    FileManagerActions(Places places, QString finder,
                       std::function<bool(const QString&)> isProgram = {});

    // The places of the current user, as the XDG variables give them.
    static Places userPlaces();
    static QString name(FileManager manager);

    // The file managers installed on this computer.
    QList<FileManager> available() const;
    // Those whose menu carries Tidora's action now.
    QList<FileManager> installed() const;

    Outcome install();
    // Takes the action out of every file manager that has it, installed or not.
    Outcome remove();

private:
    QString fileOf(FileManager manager) const;
    bool installIn(FileManager manager, QString* problem);
    bool removeFrom(FileManager manager);
    QString thunarDefaults() const;

    Places m_places;
    QString m_finder;
    std::function<bool(const QString&)> m_isProgram;
};
