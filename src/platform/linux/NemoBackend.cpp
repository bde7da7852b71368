#include "platform/linux/NemoBackend.h"

#include <QFile>

#include <glib.h>

#include <cmath>

namespace {

constexpr int standardLevel = 3;
const char* const monitorGroup = "desktop-monitor-0";

// One value of Nemo's Desktop settings (a GLib key file), or nothing.
template<typename Read>
auto desktopSetting(const QString& file, const char* key, Read read)
    -> std::optional<decltype(read(nullptr, key))>
{
    GKeyFile* settings = g_key_file_new();
    std::optional<decltype(read(nullptr, key))> value;
    if (g_key_file_load_from_file(settings, QFile::encodeName(file).constData(), G_KEY_FILE_NONE,
                                  nullptr) &&
        g_key_file_has_key(settings, monitorGroup, key, nullptr)) {
        value = read(settings, key);
    }
    g_key_file_free(settings);
    return value;
}

} // namespace

NemoBackend::NemoBackend(FileSystem& fileSystem, QString desktopFolder,
                         const GvfsMetadata& metadata, const QString& configRoot)
    : MetadataIconBackend(Program{QStringLiteral("nemo"), QStringLiteral("nemo"),
                                  QStringLiteral("nemo-desktop"), true, false},
                          fileSystem, std::move(desktopFolder), metadata)
    , m_settingsFile(configRoot + QStringLiteral("/nemo/desktop-metadata"))
{}

QPointF NemoBackend::centreOf(QPoint stored, int iconSize)
{
    return QPointF(stored.x() + iconSize / 2.0, stored.y() + iconSize / 2.0);
}

QPoint NemoBackend::storedFor(QPointF centre, int iconSize)
{
    return QPoint(int(std::lround(centre.x() - iconSize / 2.0)),
                  int(std::lround(centre.y() - iconSize / 2.0)));
}

int NemoBackend::iconSizeOfLevel(int level)
{
    // The Desktop's own sizes (smaller, small, standard, large, larger).
    switch (level) {
    case 1:
        return 24;
    case 2:
        return 32;
    case 4:
        return 64;
    case 5:
        return 96;
    default:
        return 48;
    }
}

bool NemoBackend::takesPositions() const
{
    const auto autoLayout = desktopSetting(
        m_settingsFile, "nemo-icon-view-auto-layout", [](GKeyFile* file, const char* key) {
            return bool(g_key_file_get_boolean(file, monitorGroup, key, nullptr));
        });
    // Nemo arranges a Desktop with no setting itself.
    return autoLayout.has_value() && !*autoLayout;
}

int NemoBackend::iconSize() const
{
    const auto level = desktopSetting(
        m_settingsFile, "nemo-icon-view-zoom-level", [](GKeyFile* file, const char* key) {
            return int(g_key_file_get_integer(file, monitorGroup, key, nullptr));
        });
    return iconSizeOfLevel(level.value_or(standardLevel));
}
