#include "desktop/QtAlerts.h"

#include "desktop/AlertDialog.h"
#include "desktop/DesktopLog.h"

#include <QApplication>

AlertAnswer QtAlerts::run(const Alert& alert)
{
    // Tests that drive the program from outside read what it told the user here.
    qCDebug(lcDesktop).noquote() << "alert:" << alert.message << "|" << alert.informativeText;
    if (m_closed)
        return AlertAnswer{};
    AlertDialog dialog(alert);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    dialog.exec();
    return dialog.answer();
}

void QtAlerts::closeAll()
{
    m_closed = true;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (auto* dialog = qobject_cast<AlertDialog*>(window); dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
}

void QtAlerts::bringToFront()
{
    // Nothing of ours is in front to bring along: the stack windows stay at the desktop and the
    // next alert raises itself. An alert already open comes forward again.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

void QtAlerts::beep()
{
    QApplication::beep();
}

void QtAlerts::haptic(Haptic pattern)
{
    Q_UNUSED(pattern);
}
