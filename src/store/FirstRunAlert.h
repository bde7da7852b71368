#pragma once

#include "platform/Alerts.h"
#include "store/FirstRunChoice.h"
#include "store/StorageLocation.h"

#include <functional>

class Settings;
class StorageFolders;

// The first-run alert: where stacked files go, chosen in a pop-up and confirmed with a
// checkbox, before the first stacking and at every launch until it has been confirmed.
class FirstRunAlert : public FirstRunChoice
{
public:
    // Moves every stack to the chosen place, with a confirmation of its own; true when the
    // move completed. The application hands in the stack manager's changeStorageLocation.
    using ChangeLocation = std::function<bool(StorageLocation)>;

    FirstRunAlert(Alerts& alerts, Settings& settings, const StorageFolders& folders,
                  ChangeLocation changeLocation);

    // True at once when confirmed earlier. Otherwise shows the alert: "Continue" and "Cancel"
    // before stacking, a lone "OK" at launch, the first button enabled only by the checkbox.
    // A different place chosen there is moved to first; the choice and the acknowledgement
    // are written only when everything went through.
    bool showFirstRunAlert(bool beforeStacking) override;

    // The alert for the current location.
    static Alert alert(const StorageFolders& folders, bool beforeStacking);

private:
    Alerts& m_alerts;
    Settings& m_settings;
    const StorageFolders& m_folders;
    ChangeLocation m_changeLocation;
};
