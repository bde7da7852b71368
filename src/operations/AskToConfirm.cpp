#include "operations/AskToConfirm.h"

#include "platform/Alerts.h"

bool askToConfirm(Alerts& alerts, const Alert& alert, int confirmingButton)
{
    alerts.bringToFront();
    return alerts.run(alert).button == confirmingButton;
}
