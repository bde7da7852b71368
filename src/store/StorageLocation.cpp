#include "store/StorageLocation.h"

#include "platform/Wording.h"

QString rawValue(StorageLocation location)
{
    return location == StorageLocation::desktop ? QStringLiteral("desktop")
                                                : QStringLiteral("documents");
}

std::optional<StorageLocation> storageLocationFromRawValue(const QString& text)
{
    for (const StorageLocation location : allStorageLocations) {
        if (text == rawValue(location))
            return location;
    }
    return std::nullopt;
}

QString label(StorageLocation location, const Wording& wording)
{
    return location == StorageLocation::desktop ? wording.desktopLabel : wording.documentsLabel;
}

StorageLocation otherLocation(StorageLocation location)
{
    return location == StorageLocation::desktop ? StorageLocation::documents
                                                : StorageLocation::desktop;
}

QString storageFolderName(StorageLocation location)
{
    return location == StorageLocation::desktop ? QStringLiteral("Tidorama Files")
                                                : QStringLiteral(".Tidora");
}
