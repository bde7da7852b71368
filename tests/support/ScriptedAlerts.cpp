#include "ScriptedAlerts.h"

AlertAnswer ScriptedAlerts::run(const Alert& alert)
{
    shown.append(alert);
    std::optional<Reply> reply;
    if (!m_script.empty()) {
        reply = m_script.front();
        m_script.pop_front();
    } else if (m_responder) {
        reply = m_responder(alert);
    } else if (alert.buttons == QStringList{QStringLiteral("OK")}) {
        reply = Reply{QStringLiteral("OK")};
    }

    AlertAnswer answer;
    answer.text = alert.textField.value_or(QString());
    answer.popupIndex = alert.popupIndex;
    if (!reply) {
        problems.append(QStringLiteral("unscripted alert: ") + alert.message);
        return answer;
    }
    answer.button = int(alert.buttons.indexOf(reply->button));
    answer.checked = reply->checked;
    if (reply->text)
        answer.text = *reply->text;
    if (reply->popupIndex)
        answer.popupIndex = *reply->popupIndex;
    if (answer.button < 0)
        problems.append(
            QStringLiteral("no button \"%1\" in alert: %2").arg(reply->button, alert.message));
    if (!alert.checkboxTitle.isEmpty() && answer.button == alert.checkboxEnables &&
        !answer.checked) {
        problems.append(QStringLiteral("pressed disabled button \"%1\" in alert: %2")
                            .arg(reply->button, alert.message));
        answer.button = -1;
    }
    return answer;
}

QStringList ScriptedAlerts::messages() const
{
    QStringList all;
    for (const Alert& alert : shown)
        all.append(alert.message);
    return all;
}
