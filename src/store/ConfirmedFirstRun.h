#pragma once

#include "store/FirstRunChoice.h"

// Stands in for the first-run alert until it is built: every answer is "confirmed".
class ConfirmedFirstRun : public FirstRunChoice
{
public:
    bool showFirstRunAlert(bool) override { return true; }
};
