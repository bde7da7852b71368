#pragma once

#include <QString>

// Tells whether a folder is kept in sync by a cloud service. Stacked files are moved out of
// the Desktop; when the Desktop syncs, the user may rather keep them inside it so they go on
// syncing.
class CloudSync
{
public:
    virtual ~CloudSync() = default;

    // False when nothing syncs the folder, or when that cannot be told.
    virtual bool isSynced(const QString& folder) const = 0;
};
