#include "platform/linux/DesktopProgram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace DesktopPrograms {
namespace {

const QList<std::pair<DesktopProgram, QString>>& names()
{
    static const QList<std::pair<DesktopProgram, QString>> table{
        {DesktopProgram::caja, QStringLiteral("caja")},
        {DesktopProgram::nemo, QStringLiteral("nemo")},
        {DesktopProgram::xfdesktop, QStringLiteral("xfdesktop")},
        {DesktopProgram::pcmanfm, QStringLiteral("pcmanfm")},
        {DesktopProgram::pcmanfmQt, QStringLiteral("pcmanfm-qt")},
        {DesktopProgram::ding, QStringLiteral("ding")},
        {DesktopProgram::plasma, QStringLiteral("plasma")},
        {DesktopProgram::none, QStringLiteral("none")},
    };
    return table;
}

QByteArray readSmall(const QString& path, qint64 limit = 64 * 1024)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(limit) : QByteArray();
}

// GNOME's desktop icons: GJS running the extension's ding.js.
bool isDingProgram(const QStringList& arguments)
{
    return std::any_of(arguments.cbegin(), arguments.cend(), [](const QString& argument) {
        return argument.endsWith(QLatin1String("/ding@rastersoft.com/ding.js"));
    });
}

} // namespace

QString settingName(DesktopProgram program)
{
    for (const auto& [known, name] : names()) {
        if (known == program)
            return name;
    }
    return QString();
}

std::optional<DesktopProgram> fromSetting(const QString& value)
{
    const QString wanted = value.trimmed().toLower();
    for (const auto& [program, name] : names()) {
        if (name == wanted)
            return program;
    }
    return std::nullopt;
}

DesktopProgram fromWindowClass(const QStringList& wmClass)
{
    const QString className = wmClass.value(1);
    if (className == QLatin1String("Caja"))
        return DesktopProgram::caja;
    if (className == QLatin1String("Nemo-desktop"))
        return DesktopProgram::nemo;
    if (className == QLatin1String("Xfdesktop"))
        return DesktopProgram::xfdesktop;
    if (className == QLatin1String("Pcmanfm"))
        return DesktopProgram::pcmanfm;
    if (className == QLatin1String("pcmanfm-qt"))
        return DesktopProgram::pcmanfmQt;
    // GNOME's desktop icons run as a GJS program; no other draws the Desktop.
    if (className == QLatin1String("Gjs"))
        return DesktopProgram::ding;
    if (className == QLatin1String("plasmashell"))
        return DesktopProgram::plasma;
    return DesktopProgram::none;
}

std::optional<Process> findProcess(const QString& procRoot, uint userId,
                                   const ProgramSession& session)
{
    const QStringList entries = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : entries) {
        bool numeric = false;
        pid.toLongLong(&numeric);
        const QString folder = procRoot + QLatin1Char('/') + pid;
        if (!numeric || QFileInfo(folder).ownerId() != userId)
            continue;
        const QString command =
            QString::fromUtf8(readSmall(folder + QStringLiteral("/comm"))).trimmed();
        QStringList arguments;
        for (const QByteArray& argument :
             readSmall(folder + QStringLiteral("/cmdline")).split('\0'))
            arguments.append(QFile::decodeName(argument));
        arguments.removeFirst();
        if (!arguments.isEmpty() && arguments.last().isEmpty())
            arguments.removeLast();
        const bool desktopFlag = arguments.contains(QStringLiteral("--desktop"));
        DesktopProgram program = DesktopProgram::none;
        if (command == QLatin1String("caja") && !arguments.contains(QStringLiteral("--no-desktop")))
            program = DesktopProgram::caja;
        else if (command == QLatin1String("nemo-desktop"))
            program = DesktopProgram::nemo;
        else if (command == QLatin1String("xfdesktop"))
            program = DesktopProgram::xfdesktop;
        else if (command == QLatin1String("pcmanfm") && desktopFlag)
            program = DesktopProgram::pcmanfm;
        else if (command == QLatin1String("pcmanfm-qt") && desktopFlag)
            program = DesktopProgram::pcmanfmQt;
        else if (command.startsWith(QLatin1String("gjs")) && isDingProgram(arguments))
            program = DesktopProgram::ding;
        else if (command == QLatin1String("plasmashell"))
            program = DesktopProgram::plasma;
        // environ may be long; only a candidate's is read.
        if (program != DesktopProgram::none &&
            ProgramSession::of(readSmall(folder + QStringLiteral("/environ"), 1024 * 1024),
                               arguments)
                .sharedWith(session))
            return Process{program, arguments};
    }
    return std::nullopt;
}

QString optionValue(const QStringList& arguments, const QString& longName, const QString& shortName)
{
    const QString longOption = QStringLiteral("--") + longName;
    const QString shortOption = QLatin1Char('-') + shortName;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument.startsWith(longOption + QLatin1Char('=')))
            return argument.mid(longOption.size() + 1);
        if ((argument == longOption || (!shortName.isEmpty() && argument == shortOption)) &&
            i + 1 < arguments.size())
            return arguments[i + 1];
    }
    return QString();
}

} // namespace DesktopPrograms
