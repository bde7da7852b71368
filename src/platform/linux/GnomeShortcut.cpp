#include "platform/linux/GnomeShortcut.h"

#include "platform/linux/SafeGSettings.h"
#include "platform/linux/filemanagers/ActionTexts.h"

#include <QStringList>

namespace {

const char* const listSchema = "org.gnome.settings-daemon.plugins.media-keys";
const char* const entrySchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
const char* const entryPath =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/tidora/";

QStringList entries(GSettings* list)
{
    gchar** paths = g_settings_get_strv(list, "custom-keybindings");
    QStringList found;
    for (gchar** path = paths; path && *path; ++path)
        found.append(QString::fromUtf8(*path));
    g_strfreev(paths);
    return found;
}

void setEntries(GSettings* list, const QStringList& paths)
{
    QList<QByteArray> bytes;
    QList<const gchar*> pointers;
    for (const QString& path : paths)
        bytes.append(path.toUtf8());
    for (const QByteArray& path : std::as_const(bytes))
        pointers.append(path.constData());
    pointers.append(nullptr);
    g_settings_set_strv(list, "custom-keybindings", pointers.constData());
}

} // namespace

namespace GnomeShortcut {

bool applies()
{
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
    return desktops.contains(QStringLiteral("GNOME"), Qt::CaseInsensitive) &&
           (qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
            qEnvironmentVariableIsSet("WAYLAND_DISPLAY"));
}

bool install(const QString& program)
{
    const GSettingsPtr list = openSettings(listSchema);
    const GSettingsPtr entry = openSettings(entrySchema, entryPath);
    if (!list || !entry)
        return false;
    const QByteArray command =
        (ActionTexts::commandWord(program) + QStringLiteral(" tidorama://stack-selection"))
            .toUtf8();
    g_settings_set_string(entry.get(), "name", "Tidora: Stack Selected Files");
    g_settings_set_string(entry.get(), "command", command.constData());
    g_settings_set_string(entry.get(), "binding", "<Control><Alt>s");
    QStringList paths = entries(list.get());
    if (!paths.contains(QLatin1String(entryPath))) {
        paths.append(QLatin1String(entryPath));
        setEntries(list.get(), paths);
    }
    g_settings_sync();
    return true;
}

void remove()
{
    const GSettingsPtr list = openSettings(listSchema);
    const GSettingsPtr entry = openSettings(entrySchema, entryPath);
    if (!list || !entry)
        return;
    QStringList paths = entries(list.get());
    if (paths.removeAll(QLatin1String(entryPath)) > 0)
        setEntries(list.get(), paths);
    for (const char* key : {"name", "command", "binding"})
        g_settings_reset(entry.get(), key);
    g_settings_sync();
}

} // namespace GnomeShortcut
