#include "app/Autostart.h"

#include "app/AppLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <optional>

namespace {

// The value of `key` in the [Desktop Entry] group; nothing when absent.
std::optional<QString> entryValue(const QByteArray& text, QLatin1StringView key)
{
    bool inEntry = false;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && QStringView(line).first(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return std::nullopt;
}

// A text as a desktop entry's string value: escapes for backslash, tab and a leading space.
QString stringValue(const QString& text)
{
    QString value;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (c == QLatin1Char(' ') && value.isEmpty())
            value += QStringLiteral("\\s");
        else
            value += c;
    }
    return value;
}

} // namespace

Autostart::Autostart(const QString& configRoot, QString program)
    : m_entryPath(configRoot + QStringLiteral("/autostart/tidora.desktop"))
    , m_program(std::move(program))
{}

bool Autostart::isEnabled() const
{
    QFile file(m_entryPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = file.readAll();
    // The ways the session settings of the desktops switch an entry off.
    const auto is = [&text](const char* key, const char* value) {
        return entryValue(text, QLatin1StringView(key)) == QLatin1String(value);
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
    // Exec= is a string value too, so each backslash of the quoted argument is doubled again.
    QString exec = execArgument(program);
    exec.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QByteArrayLiteral("[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Tidora\n"
                             "Comment=Gather your desktop files into tidy stacks.\n"
                             "Exec=") +
           exec.toUtf8() +
           QByteArrayLiteral("\n"
                             "TryExec=") +
           stringValue(program).toUtf8() +
           QByteArrayLiteral("\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n");
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
