#include "desktop/MenuBarIconPainter.h"

#include "operations/MenuBarIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace {

constexpr qreal side = 18;

QImage blank(qreal devicePixelRatio)
{
    const int pixels = int(std::ceil(side * devicePixelRatio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    return image;
}

// The shapes are described with y upward, as the symbol's design has them; QPainter's y runs
// downward.
QPointF up(qreal x, qreal y)
{
    return QPointF(x, side - y);
}

// The rim is drawn first, wider, under every stroke of the ink.
constexpr qreal rimWidth = 1.6;

QColor faded(QColor colour, qreal opacity)
{
    colour.setAlphaF(float(colour.alphaF() * opacity));
    return colour;
}

} // namespace

MenuBarIconPainter::MenuBarIconPainter(qreal devicePixelRatio, QColor ink, QColor rim,
                                       QObject* parent)
    : QObject(parent)
    , m_idle(idleImage(devicePixelRatio, ink, rim))
{
    for (int frame = 0; frame < MenuBarIcon::frameCount; ++frame)
        m_frames.append(workingFrame(frame, devicePixelRatio, ink, rim));
    m_current = m_idle;
}

void MenuBarIconPainter::showIdle()
{
    show(m_idle);
}

void MenuBarIconPainter::showWorkingFrame(int frame)
{
    show(m_frames.value(frame, m_idle));
}

void MenuBarIconPainter::show(const QImage& image)
{
    m_current = image;
    Q_EMIT imageChanged(m_current);
}

QIcon MenuBarIconPainter::icon() const
{
    return QIcon(QPixmap::fromImage(m_current));
}

QString MenuBarIconPainter::accessibleName()
{
    return QStringLiteral("Tidora");
}

QImage MenuBarIconPainter::workingFrame(int frame, qreal devicePixelRatio, const QColor& ink,
                                        const QColor& rim)
{
    QImage image = blank(devicePixelRatio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const int count = MenuBarIcon::frameCount;
    for (const qreal extra : {rimWidth, 0.0}) {
        if (extra > 0 && rim.alpha() == 0)
            continue;
        for (int i = 0; i < count; ++i) {
            const qreal a = i * M_PI / 6;
            const qreal opacity = 1 - qreal((i - frame + count) % count) / 15;
            painter.setPen(QPen(faded(extra > 0 ? rim : ink, opacity), 1.6 + extra, Qt::SolidLine,
                                Qt::RoundCap));
            painter.drawLine(up(9 + 4 * std::sin(a), 9 + 4 * std::cos(a)),
                             up(9 + 7 * std::sin(a), 9 + 7 * std::cos(a)));
        }
    }
    return image;
}

QImage MenuBarIconPainter::idleImage(qreal devicePixelRatio, const QColor& ink, const QColor& rim)
{
    QImage image = blank(devicePixelRatio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Two squares behind, of which only the upper and left edges show, then the front one.
    QPainterPath symbol;
    for (const qreal offset : {2.0, 4.5}) {
        symbol.moveTo(offset, offset + 9);
        symbol.lineTo(offset, offset);
        symbol.lineTo(offset + 9, offset);
    }
    symbol.addRoundedRect(QRectF(7, 7, 9.5, 9.5), 2, 2);
    if (rim.alpha() > 0) {
        painter.strokePath(symbol,
                           QPen(rim, 1.4 + rimWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    painter.strokePath(symbol, QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    return image;
}
