#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The texts of Tidora's right-click action in each file manager's own format. Every one runs
// tidora-finder with "--" and the selected items (paths or file URIs, one argument each);
// tidora-finder applies the Desktop rules itself, so a format without a condition for the
// Desktop still stacks nothing else. None of the formats can show the number of selected
// items in the label (Nemo's label tokens are names and paths; libfm reads the label of an
// action file as it stands), so every label is the fixed "Stack with Tidora".
namespace ActionTexts {

inline constexpr char label[] = "Stack with Tidora";
// The unique id of the Thunar custom action, and the mark of Tidora's own action files.
inline constexpr char thunarId[] = "tidora-stack-selection";
inline constexpr char mark[] = "Added by Tidora";

// The program as a shell command line names it: as it is when it is plain, else single-quoted.
QString commandWord(const QString& program);
// The command line of the actions that take "%F" (Nemo, libfm's action files, KDE's service
// menus, Thunar).
QString commandLine(const QString& program);

// Nemo (~/.local/share/nemo/actions/*.nemo_action), shown only for items on the Desktop.
QByteArray nemoAction(const QString& program);
// The action file that libfm (PCManFM, PCManFM-Qt) and caja-actions read
// (~/.local/share/file-manager/actions/*.desktop).
QByteArray fileManagerAction(const QString& program);
// The service menu that Dolphin and the Plasma desktop read
// (~/.local/share/kio/servicemenus/*.desktop), shown at the top of the menu.
QByteArray kdeServiceMenu(const QString& program);
// Caja's and Nautilus' scripts: an executable whose file name is the label.
QByteArray script(const QString& program);

// The text with a comment line naming the folders Tidora made to hold it (each format reads
// "#" lines as comments), so that taking the action away takes them too.
QByteArray withMadeFolders(const QByteArray& text, const QStringList& folders);
QStringList madeFoldersIn(const QByteArray& content);

// Whether a file holds one of Tidora's own actions (only those are ever removed).
bool isOurs(const QByteArray& content);

} // namespace ActionTexts
