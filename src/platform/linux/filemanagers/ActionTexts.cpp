#include "platform/linux/filemanagers/ActionTexts.h"

namespace ActionTexts {

namespace {

const QByteArray description = "Stack the selected Desktop items with Tidora";

// A value of a key file: GKeyFile reads "\" as the start of an escape.
QByteArray keyFileValue(const QString& text)
{
    QByteArray value = text.toUtf8();
    value.replace('\\', "\\\\");
    return value;
}

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
    return commandWord(program) + QStringLiteral(" -- %F");
}

QByteArray nemoAction(const QString& program)
{
    return "[Nemo Action]\n"
           "Name=" +
           QByteArray(label) +
           "\n"
           "Comment=" +
           description +
           "\n"
           "Exec=" +
           keyFileValue(commandLine(program)) +
           "\n"
           "Icon-Name=tidora\n"
           "Selection=notnone\n"
           "Extensions=any;\n"
           // Only where the folder shown is the Desktop.
           "Conditions=desktop;\n"
           "X-Tidora-Note=" +
           QByteArray(mark) + "\n";
}

QByteArray fileManagerAction(const QString& program)
{
    return "[Desktop Entry]\n"
           "Type=Action\n"
           "Name=" +
           QByteArray(label) +
           "\n"
           "Tooltip=" +
           description +
           "\n"
           "Icon=tidora\n"
           "Profiles=stack;\n"
           "X-Tidora-Note=" +
           QByteArray(mark) +
           "\n"
           "\n"
           "[X-Action-Profile stack]\n"
           "Name=" +
           QByteArray(label) +
           "\n"
           "Exec=" +
           keyFileValue(commandLine(program)) +
           "\n"
           "MimeTypes=all/all;\n"
           "Schemes=file;\n"
           "SelectionCount=>0\n";
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

bool isOurs(const QByteArray& content)
{
    return content.contains(mark) && content.contains("tidora-finder");
}

} // namespace ActionTexts
