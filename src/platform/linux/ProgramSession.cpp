#include "platform/linux/ProgramSession.h"

#include "platform/linux/DesktopProgram.h"

#include <QFile>

ProgramSession ProgramSession::current()
{
    return ProgramSession{normalisedDisplay(qEnvironmentVariable("DISPLAY")),
                          qEnvironmentVariable("XDG_SESSION_ID"),
                          qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS")};
}

ProgramSession ProgramSession::of(const QByteArray& environment, const QStringList& arguments)
{
    ProgramSession session;
    for (const QByteArray& entry : environment.split('\0')) {
        const qsizetype equals = entry.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArrayView name = QByteArrayView(entry).first(equals);
        const QString value = QFile::decodeName(entry.mid(equals + 1));
        if (name == "DISPLAY")
            session.display = normalisedDisplay(value);
        else if (name == "XDG_SESSION_ID")
            session.loginSession = value;
        else if (name == "DBUS_SESSION_BUS_ADDRESS")
            session.bus = value;
    }
    const QString option =
        DesktopPrograms::optionValue(arguments, QStringLiteral("display"), QString());
    if (!option.isEmpty())
        session.display = normalisedDisplay(option);
    return session;
}

QString ProgramSession::normalisedDisplay(const QString& display)
{
    QString text = display.trimmed();
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return text;
    const qsizetype dot = text.indexOf(QLatin1Char('.'), colon);
    if (dot >= 0)
        text.truncate(dot);
    if (text.startsWith(QLatin1String("unix:")))
        text.remove(0, 4);
    return text;
}

bool ProgramSession::sharedWith(const ProgramSession& other) const
{
    const auto agree = [](const QString& mine, const QString& theirs) {
        return mine.isEmpty() || theirs.isEmpty() || mine == theirs;
    };
    return !display.isEmpty() && display == other.display &&
           agree(loginSession, other.loginSession) && agree(bus, other.bus);
}
