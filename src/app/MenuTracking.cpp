#include "app/MenuTracking.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>

MenuTracking::MenuTracking(std::function<void()> began, QObject* parent)
    : QObject(parent)
    , m_began(std::move(began))
{}

void MenuTracking::install()
{
    qApp->installEventFilter(this);
}

void MenuTracking::watch(QMenu* menu)
{
    m_watched = menu;
    connect(menu, &QMenu::aboutToShow, this, [this] { m_began(); });
}

bool MenuTracking::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        auto* menu = qobject_cast<QMenu*>(watched);
        // While a menu is open it is the active popup: a menu shown then is its submenu.
        if (menu && menu != m_watched && !qobject_cast<QMenu*>(QApplication::activePopupWidget()))
            m_began();
    }
    return QObject::eventFilter(watched, event);
}
