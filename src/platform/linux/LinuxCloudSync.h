#pragma once

#include "platform/CloudSync.h"

#include <QStringList>

class Paths;

// A folder syncs when it lies inside a folder that a sync client keeps: Nextcloud or ownCloud
// (the localPath of each synced folder in their configuration), Dropbox (the paths in its
// info.json) or Syncthing (a ".stfolder" marker in the folder or one of its parents).
class LinuxCloudSync : public CloudSync
{
public:
    explicit LinuxCloudSync(const Paths& paths);

    bool isSynced(const QString& folder) const override;

    // The folders the configured clients sync (Syncthing's are found by their marker instead).
    QStringList syncedFolders() const;

private:
    const Paths& m_paths;
};
