#include "app/Autostart.h"

#include "app/AppLog.h"
#include "platform/linux/keyfile/KeyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <optional>

Autostart::Autostart(const QString& configRoot, QString program)
    : m_entryPath(configRoot + QStringLiteral("/autostart/tidora.desktop"))
    , m_program(std::move(program))
{}

bool Autostart::isEnabled() const
{
    QFile file(m_entryPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const std::optional<KeyFile> entry = KeyFile::parse(file.readAll());
    if (!entry)
        return false;
    // The ways the session settings of the desktops switch an entry off.
    const auto is = [&entry](const char* key, const char* value) {
        return entry->value("Desktop Entry", key) == QLatin1String(value);
    };
    return !is("Hidden", "true") && !is("X-GNOME-Autostart-enabled", "false") &&
           !is("X-MATE-Autostart-enabled", "false");
}

bool Autostart::enable(QString* error)
{
    // A desktop entry is made of lines: a line break cannot be part of Exec=.
    if (m_program.contains(QLatin1Char('\n')) || m_program.contains(QLatin1Char('\r'))) {
        *error = QStringLiteral("the program's path %1 holds a line break").arg(m_program);
        return false;
    }
    const QString folder = QFileInfo(m_entryPath).path();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("could not create the folder %1").arg(folder);
        return false;
    }
    QSaveFile file(m_entryPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(entryText(m_program)) < 0 ||
        !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void Autostart::registerAtLaunch()
{
    // An entry there, even one switched off, is the user's choice: only a missing one is written.
    if (QFileInfo::exists(m_entryPath) || QFileInfo(m_entryPath).isSymLink())
        return;
    QString error;
    if (!enable(&error))
        qCWarning(lcApp).noquote() << QStringLiteral("Tidorama: launch at login failed: ") + error;
}

QByteArray Autostart::entryText(const QString& program)
{
    const char* entry = "Desktop Entry";
    return KeyFile()
        .set(entry, "Type", QStringLiteral("Application"))
        .set(entry, "Name", QStringLiteral("Tidora"))
        .set(entry, "Comment", QStringLiteral("Gather your desktop files into tidy stacks."))
        .set(entry, "Exec", execArgument(program))
        .set(entry, "TryExec", program)
        .set(entry, "Terminal", QStringLiteral("false"))
        .set(entry, "X-GNOME-Autostart-enabled", QStringLiteral("true"))
        .text();
}

QString Autostart::execArgument(const QString& program)
{
    QString argument = program;
    // Field codes start with "%"; a literal one is written twice.
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`=");
    const bool needsQuotes = std::any_of(argument.cbegin(), argument.cend(),
                                         [](QChar c) { return reserved.contains(c); });
    if (!needsQuotes)
        return argument;
    QString quoted;
    for (const QChar c : std::as_const(argument)) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
