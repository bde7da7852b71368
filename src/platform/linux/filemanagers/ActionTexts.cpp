#include "platform/linux/filemanagers/ActionTexts.h"

#include "platform/linux/keyfile/KeyFile.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace ActionTexts {

namespace {

const QString description = QStringLiteral("Stack the selected Desktop items with Tidora");

} // namespace

QString commandWord(const QString& program)
{
    const bool plain = std::all_of(program.cbegin(), program.cend(), [](QChar c) {
        return c.isLetterOrNumber() || QStringLiteral("/._+-").contains(c);
    });
    if (plain && !program.isEmpty())
        return program;
    QString quoted = program;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString commandLine(const QString& program)
{
    // Every one of these formats reads "%" as the start of a field code; "%%" is a "%".
    return commandWord(program).replace(QLatin1Char('%'), QStringLiteral("%%")) +
           QStringLiteral(" -- %F");
}

QByteArray nemoAction(const QString& program)
{
    const char* group = "Nemo Action";
    return KeyFile()
        .set(group, "Name", QString::fromLatin1(label))
        .set(group, "Comment", description)
        .set(group, "Exec", commandLine(program))
        .set(group, "Icon-Name", QStringLiteral("tidora"))
        .set(group, "Selection", QStringLiteral("notnone"))
        .set(group, "Extensions", QStringLiteral("any;"))
        // Only where the folder shown is the Desktop.
        .set(group, "Conditions", QStringLiteral("desktop;"))
        .set(group, "X-Tidora-Note", QString::fromLatin1(mark))
        .text();
}

QByteArray fileManagerAction(const QString& program)
{
    const char* entry = "Desktop Entry";
    const char* profile = "X-Action-Profile stack";
    return KeyFile()
        .set(entry, "Type", QStringLiteral("Action"))
        .set(entry, "Name", QString::fromLatin1(label))
        .set(entry, "Tooltip", description)
        .set(entry, "Icon", QStringLiteral("tidora"))
        .set(entry, "Profiles", QStringLiteral("stack;"))
        .set(entry, "X-Tidora-Note", QString::fromLatin1(mark))
        .set(profile, "Name", QString::fromLatin1(label))
        .set(profile, "Exec", commandLine(program))
        .set(profile, "MimeTypes", QStringLiteral("all/all;"))
        .set(profile, "Schemes", QStringLiteral("file;"))
        .set(profile, "SelectionCount", QStringLiteral(">0"))
        .text();
}

QByteArray kdeServiceMenu(const QString& program)
{
    const char* entry = "Desktop Entry";
    const char* action = "Desktop Action stack";
    return KeyFile()
        .set(entry, "Type", QStringLiteral("Service"))
        // Folders too: a Desktop item can be one.
        .set(entry, "MimeType", QStringLiteral("all/all;"))
        .set(entry, "Actions", QStringLiteral("stack;"))
        // Otherwise it waits under an "Actions" submenu.
        .set(entry, "X-KDE-Priority", QStringLiteral("TopLevel"))
        .set(entry, "X-Tidora-Note", QString::fromLatin1(mark))
        .set(action, "Name", QString::fromLatin1(label))
        .set(action, "Icon", QStringLiteral("tidora"))
        .set(action, "Exec", commandLine(program))
        .text();
}

QByteArray script(const QString& program)
{
    return "#!/bin/sh\n"
           "# " +
           QByteArray(mark) +
           ": File Manager Right-Click Menu in Tidora's tray menu removes it again.\n"
           "exec " +
           commandWord(program).toUtf8() + " -- \"$@\"\n";
}

namespace {
const QByteArray madeNote = "# Folders Tidora made for this file: ";
} // namespace

QByteArray withMadeFolders(const QByteArray& text, const QStringList& folders)
{
    if (folders.isEmpty())
        return text;
    // One line whatever the names hold: JSON escapes line breaks.
    const QByteArray line =
        madeNote +
        QJsonDocument(QJsonArray::fromStringList(folders)).toJson(QJsonDocument::Compact) + '\n';
    // A script's first line stays the one that names its interpreter.
    const qsizetype at = text.startsWith("#!") ? text.indexOf('\n') + 1 : 0;
    return QByteArray(text).insert(at, line);
}

QStringList madeFoldersIn(const QByteArray& content)
{
    for (const QByteArray& line : content.split('\n')) {
        if (line.startsWith(madeNote)) {
            QStringList folders;
            for (const auto& folder : QJsonDocument::fromJson(line.mid(madeNote.size())).array())
                folders.append(folder.toString());
            folders.removeAll(QString());
            return folders;
        }
    }
    return {};
}

bool isOurs(const QByteArray& content)
{
    return content.contains(mark) && content.contains("tidora-finder");
}

} // namespace ActionTexts
