#include "engine/MoveReports.h"

#include "platform/Alerts.h"
#include "platform/TidoraError.h"

MoveReports::MoveReports(Alerts& alerts)
    : m_alerts(alerts)
{}

void MoveReports::tell(const TidoraError& error)
{
    if (m_held)
        m_held->append(error.description);
    else
        m_alerts.showError(error);
}

void MoveReports::hold()
{
    if (!m_held)
        m_held = QStringList();
}

void MoveReports::release()
{
    if (!m_held)
        return;
    QStringList reports = std::move(*m_held);
    m_held.reset();
    reports.removeDuplicates();
    if (!reports.isEmpty())
        m_alerts.showError(
            TidoraError{ErrorCode::filesNotMoved, reports.join(QStringLiteral("\n\n"))});
}
