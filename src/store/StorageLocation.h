#pragma once

#include <QString>

#include <array>
#include <optional>

struct Wording;

// The two places the storage folder can be.
enum class StorageLocation {
    // Documents/.Tidora, hidden by its leading dot.
    documents,
    // Desktop/Tidorama Files, for a Desktop that syncs.
    desktop,
};

// Every case, in menu order.
inline constexpr std::array<StorageLocation, 2> allStorageLocations{StorageLocation::documents,
                                                                    StorageLocation::desktop};

// "documents" / "desktop", the value of the "storageLocation" setting.
QString rawValue(StorageLocation location);
// Nothing for any other text.
std::optional<StorageLocation> storageLocationFromRawValue(const QString& text);
// The label in menus and alerts.
QString label(StorageLocation location, const Wording& wording);
StorageLocation otherLocation(StorageLocation location);
// ".Tidora" inside Documents, "Tidorama Files" inside the Desktop.
QString storageFolderName(StorageLocation location);
