#include "platform/linux/CajaBackend.h"

#include <gio/gio.h>

#include <cmath>

namespace {

constexpr int standardIconSize = 48;

} // namespace

CajaBackend::CajaBackend(FileSystem& fileSystem, QString desktopFolder,
                         const GvfsMetadata& metadata)
    : MetadataIconBackend(
          Program{QStringLiteral("caja"), QStringLiteral("caja"), QStringLiteral("caja")},
          fileSystem, std::move(desktopFolder), metadata)
{}

QPointF CajaBackend::centreOf(QPoint stored, int iconSize)
{
    const qreal scale = qreal(iconSize) / standardIconSize;
    const qreal half = standardIconSize / 2.0;
    return QPointF((stored.x() + half) * scale, (stored.y() + half) * scale);
}

QPoint CajaBackend::storedFor(QPointF centre, int iconSize)
{
    const qreal scale = qreal(iconSize) / standardIconSize;
    const qreal half = standardIconSize / 2.0;
    return QPoint(int(std::lround(centre.x() / scale - half)),
                  int(std::lround(centre.y() / scale - half)));
}

int CajaBackend::iconSize()
{
    // Read afresh each time: the user may change the zoom level while Tidora runs.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.mate.caja.icon-view", TRUE) : nullptr;
    if (!schema)
        return standardIconSize;
    QByteArray level;
    if (g_settings_schema_has_key(schema, "default-zoom-level")) {
        GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
        GVariant* value = g_settings_get_value(settings, "default-zoom-level");
        if (g_variant_classify(value) == G_VARIANT_CLASS_STRING)
            level = g_variant_get_string(value, nullptr);
        g_variant_unref(value);
        g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
    static const QList<std::pair<QByteArray, int>> sizes{
        {"smallest", 16}, {"smaller", 24}, {"small", 32},   {"standard", 48},
        {"large", 72},    {"larger", 96},  {"largest", 192}};
    for (const auto& [name, size] : sizes) {
        if (level == name)
            return size;
    }
    return standardIconSize;
}
