#include "platform/Alerts.h"

void Alerts::showError(const TidoraError& error)
{
    bringToFront();
    Alert alert;
    alert.style = Alert::Style::Critical;
    alert.message = error.description;
    alert.informativeText = error.details;
    alert.buttons = {QStringLiteral("OK")};
    run(alert);
}

void Alerts::showError(const QString& description)
{
    showError(TidoraError{0, description});
}
