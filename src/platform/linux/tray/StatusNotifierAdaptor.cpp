#include "platform/linux/tray/StatusNotifierAdaptor.h"

#include "platform/linux/tray/StatusNotifierItem.h"

StatusNotifierAdaptor::StatusNotifierAdaptor(StatusNotifierItem* item)
    : QDBusAbstractAdaptor(item)
    , m_item(item)
{}

QString StatusNotifierAdaptor::id() const
{
    return m_item->id();
}

QString StatusNotifierAdaptor::title() const
{
    return m_item->title();
}

QString StatusNotifierAdaptor::iconThemePath() const
{
    return m_item->iconThemePath();
}

QString StatusNotifierAdaptor::iconName() const
{
    return m_item->iconName();
}

StatusNotifierPixmaps StatusNotifierAdaptor::iconPixmap() const
{
    return m_item->iconPixmaps();
}

StatusNotifierToolTip StatusNotifierAdaptor::toolTip() const
{
    return {QString(), {}, m_item->toolTip(), QString()};
}

void StatusNotifierAdaptor::ContextMenu(int x, int y)
{
    Q_UNUSED(x)
    Q_UNUSED(y)
    Q_EMIT m_item->menuRequested();
}

void StatusNotifierAdaptor::Activate(int x, int y)
{
    // An item that is a menu opens it on the primary click too; panels that ignore
    // ItemIsMenu send Activate for it.
    ContextMenu(x, y);
}

void StatusNotifierAdaptor::SecondaryActivate(int x, int y)
{
    Q_UNUSED(x)
    Q_UNUSED(y)
}

void StatusNotifierAdaptor::Scroll(int delta, const QString& orientation)
{
    Q_UNUSED(delta)
    Q_UNUSED(orientation)
}
