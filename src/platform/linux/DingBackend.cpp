#include "platform/linux/DingBackend.h"

#include "platform/linux/SafeGSettings.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

const char* const schemaId = "org.gnome.shell.extensions.ding";
constexpr int answerMs = 2000;
constexpr int arrivalWaitMs = 3000;
constexpr int arrivalPollMs = 25;
constexpr int gridFreshMs = 1000;

// The program's settings; nothing when it is not installed.
GSettingsPtr dingSettings()
{
    return openSettings(schemaId);
}

bool flag(GSettings* settings, const char* key)
{
    return settings && g_settings_get_boolean(settings, key);
}

// Every a{sd} found in an array of variants, however deep GLib nested them.
void collectMonitors(const QDBusArgument& argument, QList<QMap<QString, double>>& monitors)
{
    const QString signature = argument.currentSignature();
    if (signature == QLatin1String("a{sd}")) {
        QMap<QString, double> monitor;
        argument >> monitor;
        monitors.append(monitor);
    } else if (signature == QLatin1String("av")) {
        argument.beginArray();
        while (!argument.atEnd()) {
            QDBusVariant element;
            argument >> element;
            const QVariant inner = element.variant();
            if (inner.userType() == qMetaTypeId<QDBusArgument>())
                collectMonitors(inner.value<QDBusArgument>(), monitors);
        }
        argument.endArray();
    }
}

} // namespace

const QString DingBackend::busName = QStringLiteral("com.rastersoft.dingextension");

DingBackend::DingBackend(FileSystem& fileSystem, QString desktopFolder,
                         const GvfsMetadata& metadata, std::function<QRect()> workArea)
    : MetadataIconBackend(Program{QStringLiteral("ding"), QStringLiteral("nautilus"), QString(),
                                  false, false, false},
                          fileSystem, std::move(desktopFolder), metadata)
    , m_workArea(std::move(workArea))
{}

BridgeResult<void> DingBackend::announce(const QList<NamedPosition>& positions)
{
    if (!takesPositions())
        return {};
    for (const NamedPosition& entry : positions) {
        if (QFileInfo::exists(desktopFolder() + QLatin1Char('/') + entry.name))
            continue;
        if (const Status cleared = forget(entry.name); !cleared)
            return placeFailure(cleared.description());
    }
    return {};
}

BridgeResult<void> DingBackend::place(const QList<NamedPosition>& positions)
{
    if (!takesPositions())
        return {};
    // It takes a moment to show a file that just arrived; one it never shows (it is not
    // running, or the file left again) must not hold the caller for long.
    const QDeadlineTimer deadline(arrivalWaitMs);
    for (;;) {
        const std::optional<QStringList> waiting = unplaced(positions);
        if (!waiting || waiting->isEmpty() || deadline.hasExpired())
            break;
        QThread::msleep(arrivalPollMs);
    }
    return MetadataIconBackend::place(positions);
}

QStringList DingBackend::showAgain(const QStringList& names)
{
    for (const QString& name : names) {
        const QByteArray path = QFile::encodeName(desktopFolder() + QLatin1Char('/') + name);
        struct stat info
        {};
        // Nothing but the status change time changes; a file gone meanwhile has no icon to move.
        if (::lstat(path.constData(), &info) != 0)
            continue;
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    return {};
}

bool DingBackend::takesPositions() const
{
    const GSettingsPtr settings = dingSettings();
    return !flag(settings.get(), "keep-arranged") && !flag(settings.get(), "keep-stacked");
}

DingGrid DingBackend::grid() const
{
    const QMutexLocker lock(&m_gridMutex);
    if (m_grid && !m_gridFresh.hasExpired())
        return *m_grid;
    DingGrid grid;
    if (const GSettingsPtr settings = dingSettings()) {
        gchar* size = g_settings_get_string(settings.get(), "icon-size");
        grid.iconSize = QString::fromUtf8(size);
        g_free(size);
    }
    grid.area = describedArea().value_or(m_workArea ? m_workArea() : QRect());
    m_grid = grid;
    m_gridFresh = QDeadlineTimer(gridFreshMs);
    return grid;
}

std::optional<QRect> DingBackend::describedArea()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        busName, QStringLiteral("/com/rastersoft/dingextension/control"),
        QStringLiteral("org.gtk.Actions"), QStringLiteral("Describe"));
    call << QStringLiteral("desktopGeometry");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, answerMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    // (bgav): enabled, parameter type, and the state, itself an av of one a{sd} per monitor.
    const auto description = reply.arguments().constFirst().value<QDBusArgument>();
    bool enabled = false;
    QDBusSignature parameter;
    description.beginStructure();
    description >> enabled >> parameter;
    QList<QMap<QString, double>> monitors;
    collectMonitors(description, monitors);
    description.endStructure();
    std::optional<QRect> first;
    for (const QMap<QString, double>& monitor : std::as_const(monitors)) {
        const auto number = [&monitor](const char* key) {
            return int(monitor.value(QLatin1String(key)));
        };
        const QRect area(number("x") + number("marginLeft"), number("y") + number("marginTop"),
                         number("width") - number("marginLeft") - number("marginRight"),
                         number("height") - number("marginTop") - number("marginBottom"));
        if (!area.isValid())
            continue;
        if (!first || number("monitorIndex") == number("primaryMonitor"))
            first = area;
    }
    return first;
}
