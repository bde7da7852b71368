#include "platform/linux/filemanagers/FileManagerActions.h"

#include "platform/linux/filemanagers/ActionTexts.h"
#include "platform/linux/filemanagers/ThunarActionList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

constexpr FileManager allManagers[] = {
    FileManager::caja,   FileManager::nemo,     FileManager::pcmanfm, FileManager::pcmanfmQt,
    FileManager::thunar, FileManager::nautilus, FileManager::dolphin};

const QString scriptName = QString::fromLatin1(ActionTexts::label);

QStringList programsOf(FileManager manager)
{
    switch (manager) {
    case FileManager::caja:
        return {QStringLiteral("caja")};
    case FileManager::nemo:
        return {QStringLiteral("nemo")};
    case FileManager::pcmanfm:
        return {QStringLiteral("pcmanfm")};
    case FileManager::pcmanfmQt:
        return {QStringLiteral("pcmanfm-qt")};
    case FileManager::thunar:
        // xfdesktop shows Thunar's custom actions on the Desktop.
        return {QStringLiteral("thunar"), QStringLiteral("xfdesktop")};
    case FileManager::nautilus:
        return {QStringLiteral("nautilus")};
    case FileManager::dolphin:
        // The Plasma desktop reads the same service menus.
        return {QStringLiteral("dolphin"), QStringLiteral("plasmashell")};
    }
    return {};
}

QString displayPath(const QString& path)
{
    const QString home = QDir::homePath();
    return path.startsWith(home + QLatin1Char('/')) ? QLatin1Char('~') + path.mid(home.size())
                                                    : path;
}

// "a", "a and b", "a, b and c".
QString joined(const QStringList& items)
{
    if (items.size() < 2)
        return items.join(QString());
    return items.first(items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           items.last();
}

QStringList namesOf(const QList<FileManager>& managers)
{
    QStringList names;
    for (const FileManager manager : managers)
        names.append(FileManagerActions::name(manager));
    return names;
}

bool writeWhole(const QString& path, const QByteArray& content, bool executable)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return false;
    if (!executable)
        return true;
    return QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser |
                                           QFile::ExeGroup | QFile::ExeOther);
}

// The folders on the way to `folder` that are not there yet, the deepest first.
QStringList missingFolders(const QString& folder)
{
    QStringList missing;
    for (QString path = QDir::cleanPath(folder); !QFileInfo::exists(path);
         path = QFileInfo(path).path()) {
        if (path == QFileInfo(path).path())
            break;
        missing.append(path);
    }
    return missing;
}

// Takes away the folders Tidora made, the deepest first, each only while empty.
void removeMadeFolders(QStringList folders)
{
    std::sort(folders.begin(), folders.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& folder : std::as_const(folders))
        (void)QDir().rmdir(folder);
}

QByteArray contentOf(const QString& path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

FileManagerActions::FileManagerActions(Places places, QString finder,
                                       std::function<bool(const QString&)> isProgram)
    : m_places(std::move(places))
    , m_finder(std::move(finder))
    , m_isProgram(std::move(isProgram))
{
    if (!m_isProgram) {
        m_isProgram = [](const QString& program) {
            return !QStandardPaths::findExecutable(program).isEmpty();
        };
    }
}

FileManagerActions::Places FileManagerActions::userPlaces()
{
    QStringList system = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    const QString config = system.isEmpty() ? QString() : system.takeFirst();
    return Places{config, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                  system};
}

QString FileManagerActions::name(FileManager manager)
{
    switch (manager) {
    case FileManager::caja:
        return QStringLiteral("Caja");
    case FileManager::nemo:
        return QStringLiteral("Nemo");
    case FileManager::pcmanfm:
        return QStringLiteral("PCManFM");
    case FileManager::pcmanfmQt:
        return QStringLiteral("PCManFM-Qt");
    case FileManager::thunar:
        return QStringLiteral("Thunar");
    case FileManager::nautilus:
        return QStringLiteral("Nautilus");
    case FileManager::dolphin:
        return QStringLiteral("Dolphin");
    }
    return {};
}

QString FileManagerActions::fileOf(FileManager manager) const
{
    switch (manager) {
    case FileManager::caja:
        return m_places.configRoot + QStringLiteral("/caja/scripts/") + scriptName;
    case FileManager::nemo:
        return m_places.dataRoot + QStringLiteral("/nemo/actions/tidora-stack.nemo_action");
    case FileManager::pcmanfm:
    case FileManager::pcmanfmQt:
        // One file for both (and for caja-actions): libfm's action format.
        return m_places.dataRoot + QStringLiteral("/file-manager/actions/tidora-stack.desktop");
    case FileManager::thunar:
        return m_places.configRoot + QStringLiteral("/Thunar/uca.xml");
    case FileManager::nautilus:
        return m_places.dataRoot + QStringLiteral("/nautilus/scripts/") + scriptName;
    case FileManager::dolphin:
        return m_places.dataRoot + QStringLiteral("/kio/servicemenus/tidora-stack.desktop");
    }
    return {};
}

QList<FileManager> FileManagerActions::available() const
{
    QList<FileManager> found;
    for (const FileManager manager : allManagers) {
        const QStringList programs = programsOf(manager);
        if (std::any_of(programs.cbegin(), programs.cend(), m_isProgram))
            found.append(manager);
    }
    return found;
}

QList<FileManager> FileManagerActions::installed() const
{
    QList<FileManager> carrying;
    for (const FileManager manager : allManagers) {
        const QByteArray content = contentOf(fileOf(manager));
        const bool ours = manager == FileManager::thunar ? ThunarActionList::hasAction(content)
                                                         : ActionTexts::isOurs(content);
        if (ours)
            carrying.append(manager);
    }
    return carrying;
}

QString FileManagerActions::thunarDefaults() const
{
    // Without a list of the user's own, Thunar shows the system's: start from that one so
    // its actions stay.
    for (const QString& folder : m_places.systemConfigFolders) {
        const QString list = folder + QStringLiteral("/Thunar/uca.xml");
        if (QFileInfo(list).isFile())
            return list;
    }
    return {};
}

bool FileManagerActions::installIn(FileManager manager, QString* problem)
{
    const QString path = fileOf(manager);
    const QFileInfo info(path);
    if (manager == FileManager::thunar) {
        const QString source = info.exists() ? path : thunarDefaults();
        const std::optional<QByteArray> list =
            ThunarActionList::withAction(contentOf(source), m_finder);
        if (!list) {
            *problem = displayPath(source) +
                       QStringLiteral(" is not a list of actions Tidora can read, so it was left "
                                      "as it is");
            return false;
        }
        return writeWhole(path, *list, false);
    }
    const QByteArray before = contentOf(path);
    if (info.exists() && !ActionTexts::isOurs(before)) {
        *problem = displayPath(path) + QStringLiteral(" is another program's file");
        return false;
    }
    // Written again, the file keeps the note of what an earlier install made.
    const QStringList made = ActionTexts::madeFoldersIn(before) + missingFolders(info.path());
    switch (manager) {
    case FileManager::nemo:
        return writeWhole(
            path, ActionTexts::withMadeFolders(ActionTexts::nemoAction(m_finder), made), false);
    case FileManager::pcmanfm:
    case FileManager::pcmanfmQt:
        return writeWhole(
            path, ActionTexts::withMadeFolders(ActionTexts::fileManagerAction(m_finder), made),
            false);
    case FileManager::dolphin:
        // KIO ignores a service menu in the user's own folders unless it is executable.
        return writeWhole(
            path, ActionTexts::withMadeFolders(ActionTexts::kdeServiceMenu(m_finder), made), true);
    default:
        return writeWhole(path, ActionTexts::withMadeFolders(ActionTexts::script(m_finder), made),
                          true);
    }
}

bool FileManagerActions::removeFrom(FileManager manager)
{
    const QString path = fileOf(manager);
    if (manager != FileManager::thunar) {
        // Only folders on the way to the file itself: the note lies in a file anyone can edit.
        QStringList made = ActionTexts::madeFoldersIn(contentOf(path));
        made.removeIf([&path](const QString& folder) {
            return !QDir::cleanPath(path).startsWith(QDir::cleanPath(folder) + QLatin1Char('/'));
        });
        // PCManFM and PCManFM-Qt share their file: the second finds it gone.
        if (!QFile::remove(path) && QFileInfo::exists(path))
            return false;
        removeMadeFolders(made);
        return true;
    }
    const std::optional<QByteArray> list = ThunarActionList::withoutAction(contentOf(path));
    if (!list)
        return false;
    // A list Tidora wrote only to add its action goes: without it Thunar shows the system's
    // list again, the same one.
    if (list == ThunarActionList::withoutAction(
                    ThunarActionList::withAction(contentOf(thunarDefaults()), m_finder)
                        .value_or(QByteArray())))
        return QFile::remove(path);
    return writeWhole(path, *list, false);
}

FileManagerActions::Outcome FileManagerActions::install()
{
    Outcome outcome;
    const QFileInfo finder(m_finder);
    if (!finder.isFile() || !finder.isExecutable()) {
        outcome.message = QStringLiteral("Tidora couldn't add its right-click action");
        outcome.informativeText =
            QStringLiteral("The program the action runs, tidora-finder, isn't installed next "
                           "to Tidora (in ") +
            displayPath(finder.path()) +
            QStringLiteral("). Install Tidora again and try once more.");
        return outcome;
    }
    const QList<FileManager> found = available();
    if (found.isEmpty()) {
        outcome.message = QStringLiteral("No supported file manager found");
        outcome.informativeText = QStringLiteral(
            "Tidora can add Stack with Tidora to the right-click menu of Caja, Nemo, PCManFM, "
            "PCManFM-Qt, Thunar (and the Xfce desktop), Nautilus and Dolphin (and the Plasma "
            "desktop), but none of them is installed.");
        return outcome;
    }
    QStringList problems;
    for (const FileManager manager : found) {
        QString problem;
        if (installIn(manager, &problem)) {
            outcome.done.append(manager);
        } else {
            outcome.failed.append(manager);
            problems.append(name(manager) + (problem.isEmpty()
                                                 ? QString()
                                                 : QStringLiteral(" (") + problem + u')'));
        }
    }

    QStringList paragraphs;
    if (!outcome.done.isEmpty()) {
        outcome.message = QStringLiteral("Stack with Tidora is in the right-click menu");
        paragraphs.append(QStringLiteral("Added to ") + joined(namesOf(outcome.done)) +
                          QStringLiteral(". Select files on the Desktop, right-click one of "
                                         "them and choose Stack with Tidora."));
        QStringList underScripts;
        QStringList atStart;
        for (const FileManager manager : std::as_const(outcome.done)) {
            if (manager == FileManager::caja || manager == FileManager::nautilus)
                underScripts.append(name(manager));
            if (manager == FileManager::pcmanfm || manager == FileManager::thunar)
                atStart.append(name(manager));
        }
        if (!underScripts.isEmpty())
            paragraphs.append(QStringLiteral("In ") + joined(underScripts) +
                              QStringLiteral(" it is under Scripts."));
        if (!atStart.isEmpty())
            paragraphs.append(joined(atStart) +
                              (atStart.size() == 1
                                   ? QStringLiteral(" shows it once it starts again.")
                                   : QStringLiteral(" show it once they start again.")));
    } else {
        outcome.message = QStringLiteral("Tidora couldn't add its right-click action");
    }
    if (!problems.isEmpty())
        paragraphs.append(QStringLiteral("Not added to ") + joined(problems) + QLatin1Char('.'));
    outcome.informativeText = paragraphs.join(QStringLiteral("\n\n"));
    return outcome;
}

FileManagerActions::Outcome FileManagerActions::remove()
{
    Outcome outcome;
    for (const FileManager manager : installed()) {
        if (removeFrom(manager))
            outcome.done.append(manager);
        else
            outcome.failed.append(manager);
    }
    if (outcome.done.isEmpty() && outcome.failed.isEmpty()) {
        outcome.message = QStringLiteral("Stack with Tidora isn't in any right-click menu");
        outcome.informativeText = QStringLiteral("There was nothing to remove.");
        return outcome;
    }
    QStringList paragraphs;
    if (!outcome.done.isEmpty()) {
        outcome.message = QStringLiteral("Stack with Tidora was removed from the right-click menu");
        paragraphs.append(QStringLiteral("Removed from ") + joined(namesOf(outcome.done)) +
                          QLatin1Char('.'));
    } else {
        outcome.message = QStringLiteral("Tidora couldn't remove its right-click action");
    }
    if (!outcome.failed.isEmpty())
        paragraphs.append(QStringLiteral("Still in ") + joined(namesOf(outcome.failed)) +
                          QStringLiteral(": its file couldn't be changed."));
    outcome.informativeText = paragraphs.join(QStringLiteral("\n\n"));
    return outcome;
}
