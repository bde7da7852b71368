#include "platform/linux/filemanagers/RightClickMenu.h"

#include "platform/Alerts.h"
#include "platform/linux/filemanagers/FileManagerActions.h"

namespace RightClickMenu {

namespace {

QString listed(const QList<FileManager>& managers)
{
    QStringList names;
    for (const FileManager manager : managers)
        names.append(FileManagerActions::name(manager));
    return names.join(QStringLiteral(", "));
}

int ask(Alerts& alerts, const QString& message, const QString& text, const QStringList& buttons)
{
    Alert alert;
    alert.style = Alert::Style::Informational;
    alert.message = message;
    alert.informativeText = text;
    alert.buttons = buttons;
    alerts.bringToFront();
    return alerts.run(alert).button;
}

void tell(Alerts& alerts, const FileManagerActions::Outcome& outcome)
{
    ask(alerts, outcome.message, outcome.informativeText, {QStringLiteral("OK")});
}

} // namespace

void choose(Alerts& alerts, FileManagerActions& actions)
{
    const QList<FileManager> installed = actions.installed();
    const QList<FileManager> available = actions.available();
    if (!installed.isEmpty()) {
        const int answer =
            ask(alerts, QStringLiteral("Stack with Tidora is in the right-click menu"),
                QStringLiteral("It is there in ") + listed(installed) +
                    QStringLiteral(". Remove it, or add it again to bring it to the file managers "
                                   "installed since."),
                {QStringLiteral("Remove"), QStringLiteral("Add Again"), QStringLiteral("Cancel")});
        if (answer == 0)
            tell(alerts, actions.remove());
        else if (answer == 1)
            tell(alerts, actions.install());
        return;
    }
    if (available.isEmpty()) {
        tell(alerts, actions.install());
        return;
    }
    const int answer =
        ask(alerts, QStringLiteral("Add Stack with Tidora to the right-click menu?"),
            QStringLiteral("Found: ") + listed(available) +
                QStringLiteral(". Tidora adds its action to each of them; choosing File Manager "
                               "Right-Click Menu\u2026 again lets you remove it."),
            {QStringLiteral("Add"), QStringLiteral("Cancel")});
    if (answer == 0)
        tell(alerts, actions.install());
}

} // namespace RightClickMenu
