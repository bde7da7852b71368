#pragma once

#include "store/FirstRunChoice.h"

#include <QList>

// The first-run alert answered by the test: confirmed unless told otherwise; every call is
// remembered with its flag.
class ScriptedFirstRun : public FirstRunChoice
{
public:
    bool showFirstRunAlert(bool beforeStacking) override
    {
        calls.append(beforeStacking);
        return confirm;
    }

    bool confirm = true;
    QList<bool> calls;
};
