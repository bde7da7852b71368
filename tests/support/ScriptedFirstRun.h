#pragma once

#include "store/FirstRunChoice.h"

#include <QList>

// The first-run alert answered by the test: confirmed unless told otherwise, or answered by
// `delegate` (the real alert) when one is set; every call is remembered with its flag.
class ScriptedFirstRun : public FirstRunChoice
{
public:
    bool showFirstRunAlert(bool beforeStacking) override
    {
        calls.append(beforeStacking);
        return delegate ? delegate->showFirstRunAlert(beforeStacking) : confirm;
    }

    bool confirm = true;
    FirstRunChoice* delegate = nullptr;
    QList<bool> calls;
};
