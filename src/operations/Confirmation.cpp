#include "operations/Confirmation.h"

#include "platform/Alerts.h"

bool confirmed(Alerts& alerts, const Alert& alert, int confirmingButton)
{
    alerts.bringToFront();
    return alerts.run(alert).button == confirmingButton;
}
