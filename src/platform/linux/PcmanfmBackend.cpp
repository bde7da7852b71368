#include "platform/linux/PcmanfmBackend.h"

#include <QFile>
#include <QPoint>
#include <QSettings>
#include <QSize>

#include <glib.h>

#include <memory>

namespace {

constexpr int defaultIconSize = 48;
constexpr int gtkTextWidth = 100;
constexpr int gtkPadding = 6;
// pcmanfm-qt's grid cell at the default font, measured over AT-SPI.
constexpr qreal qtCellWidth = 101;

struct KeyFileDeleter
{
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileDeleter>;

KeyFile load(const QString& path)
{
    KeyFile file(g_key_file_new());
    if (!g_key_file_load_from_file(file.get(), QFile::encodeName(path).constData(), G_KEY_FILE_NONE,
                                   nullptr))
        return nullptr;
    return file;
}

} // namespace

PcmanfmBackend::PcmanfmBackend(Flavour flavour, QString configRoot, QString profile)
    : m_flavour(flavour)
    , m_configRoot(std::move(configRoot))
    , m_profile(profile.isEmpty() ? QStringLiteral("default") : std::move(profile))
{}

QString PcmanfmBackend::name() const
{
    return m_flavour == Flavour::gtk ? QStringLiteral("pcmanfm") : QStringLiteral("pcmanfm-qt");
}

QString PcmanfmBackend::itemsFile() const
{
    return m_configRoot + QLatin1Char('/') + name() + QLatin1Char('/') + m_profile +
           QStringLiteral("/desktop-items-0.conf");
}

QPointF PcmanfmBackend::gtkCentre(QPoint stored, int iconSize)
{
    const int cellWidth = std::max(gtkTextWidth, iconSize) + gtkPadding * 2;
    return QPointF(stored.x() + cellWidth / 2.0, stored.y() + gtkPadding + iconSize / 2.0);
}

QPointF PcmanfmBackend::qtCentre(QPoint stored, int iconSize, int cellMargin)
{
    return QPointF(stored.x() + qtCellWidth / 2, stored.y() + cellMargin + iconSize / 2.0);
}

BridgeResult<PositionMap> PcmanfmBackend::allPositions()
{
    return m_flavour == Flavour::gtk ? gtkPositions() : qtPositions();
}

PositionMap PcmanfmBackend::gtkPositions() const
{
    int iconSize = defaultIconSize;
    if (const KeyFile config = load(m_configRoot + QStringLiteral("/libfm/libfm.conf"))) {
        GError* error = nullptr;
        const int size = g_key_file_get_integer(config.get(), "ui", "big_icon_size", &error);
        if (error)
            g_error_free(error);
        else if (size > 0)
            iconSize = size;
    }
    PositionMap positions;
    const KeyFile items = load(itemsFile());
    if (!items)
        return positions;
    gsize count = 0;
    gchar** groups = g_key_file_get_groups(items.get(), &count);
    for (gsize i = 0; i < count; ++i) {
        GError* missingX = nullptr;
        GError* missingY = nullptr;
        const int x = g_key_file_get_integer(items.get(), groups[i], "x", &missingX);
        const int y = g_key_file_get_integer(items.get(), groups[i], "y", &missingY);
        // "*" holds the settings; other groups are the names of Desktop items.
        if (!missingX && !missingY && qstrcmp(groups[i], "*") != 0)
            positions.insert(QFile::decodeName(groups[i]), gtkCentre(QPoint(x, y), iconSize));
        if (missingX)
            g_error_free(missingX);
        if (missingY)
            g_error_free(missingY);
    }
    g_strfreev(groups);
    return positions;
}

PositionMap PcmanfmBackend::qtPositions() const
{
    const QSettings settings(m_configRoot + QStringLiteral("/pcmanfm-qt/") + m_profile +
                                 QStringLiteral("/settings.conf"),
                             QSettings::IniFormat);
    const int iconSize =
        settings.value(QStringLiteral("Desktop/DesktopIconSize"), defaultIconSize).toInt();
    const int margin =
        settings.value(QStringLiteral("Desktop/DesktopCellMargins"), QSize(3, 1)).toSize().height();
    // pcmanfm-qt writes this file with QSettings, so QSettings reads its groups back whole.
    QSettings items(itemsFile(), QSettings::IniFormat);
    PositionMap positions;
    const QStringList groups = items.childGroups();
    for (const QString& group : groups) {
        const QVariant stored = items.value(group + QStringLiteral("/pos"));
        if (stored.typeId() == QMetaType::QPoint)
            positions.insert(group, qtCentre(stored.toPoint(), iconSize, margin));
    }
    return positions;
}
