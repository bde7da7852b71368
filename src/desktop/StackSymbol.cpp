#include "desktop/StackSymbol.h"

#include <QPainter>

namespace StackSymbol {

void draw(QPainter& painter, const QRectF& box, const QColor& colour)
{
    const qreal side = box.width() * 0.62;
    const qreal step = (box.width() - side) / 2;
    const qreal corner = std::max(1.5, side * 0.18);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 3; ++i) {
        const QRectF square(box.left() + i * step, box.top() + i * step, side, side);
        QColor fill = colour;
        fill.setAlphaF(colour.alphaF() * (i == 2 ? 1.0F : 0.45F + 0.2F * float(i)));
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(square, corner, corner);
    }
    painter.restore();
}

} // namespace StackSymbol
