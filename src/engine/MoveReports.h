#pragma once

#include <QStringList>

#include <optional>

class Alerts;
struct TidoraError;

// Tells the user about files an operation could not move. Between hold and release (an
// operation over many stacks) the reports are kept and then shown as one alert.
class MoveReports
{
public:
    explicit MoveReports(Alerts& alerts);

    void tell(const TidoraError& error);
    void hold();
    void release();

private:
    Alerts& m_alerts;
    // Reports held for one alert; nothing while none are held.
    std::optional<QStringList> m_held;
};
