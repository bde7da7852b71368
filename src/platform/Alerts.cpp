#include "platform/Alerts.h"

void Alerts::showError(const TidoraError& error)
{
    showError(error.description);
}

void Alerts::showError(const QString& description)
{
    bringToFront();
    Alert alert;
    alert.style = Alert::Style::Critical;
    alert.message = description;
    alert.buttons = {QStringLiteral("OK")};
    run(alert);
}
