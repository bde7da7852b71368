#include "desktop/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

QRectF primaryGeometry()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? QRectF(primary->geometry()) : QRectF();
}

// The primary's bottom edge in Qt's coordinates; y + h, as QRect::bottom() is one pixel short.
qreal primaryBottom(const QRectF& primary)
{
    return primary.y() + primary.height();
}

} // namespace

QList<ScreenGeometry> QtScreens::screens() const
{
    QList<QScreen*> ordered = QGuiApplication::screens();
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        ordered.removeAll(primary);
        ordered.prepend(primary);
    }
    QList<ScreenGeometry> toolkit;
    for (const QScreen* screen : ordered)
        toolkit.append({QRectF(screen->geometry()), QRectF(screen->availableGeometry())});
    return fromToolkitScreens(toolkit);
}

QList<ScreenGeometry> QtScreens::fromToolkitScreens(const QList<ScreenGeometry>& toolkitScreens)
{
    QList<ScreenGeometry> result;
    if (toolkitScreens.isEmpty())
        return result;
    const QRectF primary = toolkitScreens.first().frame;
    for (const ScreenGeometry& screen : toolkitScreens)
        result.append(
            {fromToolkit(screen.frame, primary), fromToolkit(screen.visibleFrame, primary)});
    return result;
}

QRectF QtScreens::fromToolkit(const QRectF& rect, const QRectF& primary)
{
    return QRectF(rect.x() - primary.x(), primaryBottom(primary) - (rect.y() + rect.height()),
                  rect.width(), rect.height());
}

QRectF QtScreens::toToolkit(const QRectF& rect, const QRectF& primary)
{
    return QRectF(rect.x() + primary.x(), primaryBottom(primary) - (rect.y() + rect.height()),
                  rect.width(), rect.height());
}

QRectF QtScreens::fromToolkit(const QRectF& rect)
{
    return fromToolkit(rect, primaryGeometry());
}

QRectF QtScreens::toToolkit(const QRectF& rect)
{
    return toToolkit(rect, primaryGeometry());
}
