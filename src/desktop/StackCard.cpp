#include "desktop/StackCard.h"

#include "desktop/ImageEffects.h"
#include "desktop/StackSymbol.h"
#include "desktop/StackViewModel.h"
#include "desktop/TextWrapping.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace StackCard {

namespace {
constexpr qreal captionPaddingX = 8;
constexpr qreal captionPaddingY = 2;
constexpr qreal badgePaddingX = 6;
constexpr qreal badgePaddingY = 2;
const QColor badgeRed(255, 59, 48);

qreal captionHeight(const QFont& base)
{
    return QFontMetricsF(captionFont(base)).height() + 2 * captionPaddingY;
}

void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& colour)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(rect, rect.height() / 2, rect.height() / 2);
}

// A rounded rectangle filled, with a border of `border` width drawn inside its edge.
void drawPlate(QPainter& painter, const QRectF& rect, qreal radius, const QColor& fill,
               const QColor& stroke, qreal border)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, radius, radius);
    painter.setPen(QPen(stroke, border));
    painter.setBrush(Qt::NoBrush);
    const qreal inset = border / 2;
    painter.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), radius - inset,
                            radius - inset);
}

QRectF centred(const QRectF& around, QSizeF size)
{
    return QRectF(around.center().x() - size.width() / 2, around.center().y() - size.height() / 2,
                  size.width(), size.height());
}

void paintFan(QPainter& painter, const QRectF& card, const QList<Thumbnail>& thumbnails)
{
    const QRectF fan(card.right() - fanSize.width(), card.top(), fanSize.width(), fanSize.height());
    for (qsizetype i = thumbnails.size() - 1; i >= 0; --i) {
        const Thumbnail& thumbnail = thumbnails.at(i);
        if (thumbnail.image.isNull())
            continue;
        const FanPlacement placement = fanPlacement(int(i));
        const qreal scale = thumbnail.image.devicePixelRatio();
        const QSizeF size = QSizeF(thumbnail.image.size()) / scale;
        painter.save();
        painter.translate(fan.center() + placement.offset);
        painter.rotate(placement.degrees);
        if (!thumbnail.shadow.isNull()) {
            const qreal margin = ImageEffects::margin(3 * scale) / scale;
            // Shadow: black at 0.35, radius 3, two points below the image.
            painter.drawImage(QPointF(-size.width() / 2 - margin, -size.height() / 2 - margin + 2),
                              thumbnail.shadow);
        }
        painter.drawImage(QPointF(-size.width() / 2, -size.height() / 2), thumbnail.image);
        painter.restore();
    }
}

} // namespace

FanPlacement fanPlacement(int index)
{
    return {7.0 * index, QPointF(5.0 * index, -4.0 * index)};
}

Thumbnail prepareThumbnail(const QImage& image, qreal scale)
{
    if (image.isNull())
        return {};
    const QSize frame = (thumbnailSize * scale).toSize();
    QImage source = image;
    source.setDevicePixelRatio(1);
    QImage fitted = source.scaled(frame, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    fitted.setDevicePixelRatio(scale);
    QImage shadow = ImageEffects::shadow(fitted, QColor(0, 0, 0, 89), 3 * scale);
    return {fitted, shadow};
}

QFont captionFont(const QFont& base)
{
    QFont font = base;
    font.setPixelSize(12);
    font.setWeight(QFont::Medium);
    return font;
}

QFont badgeFont(const QFont& base)
{
    QFont font = base;
    font.setPixelSize(11);
    font.setWeight(QFont::Bold);
    return font;
}

QString captionLine(const QString& text, const QFont& font)
{
    return QFontMetricsF(font).elidedText(oneLine(text), Qt::ElideRight,
                                          viewSize.width() - 2 * captionPaddingX);
}

QRectF cardRect(const QFont& base)
{
    const qreal contentHeight = cardSize.height() + spacing + captionHeight(base);
    const qreal top = std::max(0.0, (viewSize.height() - contentHeight) / 2);
    return QRectF((viewSize.width() - cardSize.width()) / 2, top, cardSize.width(),
                  cardSize.height());
}

QRectF captionRect(const QString& line, const QFont& base)
{
    const qreal width =
        std::min(viewSize.width(),
                 QFontMetricsF(captionFont(base)).horizontalAdvance(line) + 2 * captionPaddingX);
    return QRectF((viewSize.width() - width) / 2, cardRect(base).bottom() + spacing, width,
                  captionHeight(base));
}

QRectF badgeRect(int count, const QFont& base)
{
    const QFontMetricsF metrics(badgeFont(base));
    const QRectF card = cardRect(base);
    const qreal height = metrics.height() + 2 * badgePaddingY;
    const qreal width =
        std::max(height, metrics.horizontalAdvance(QString::number(count)) + 2 * badgePaddingX);
    return QRectF(card.right() - width, card.top(), width, height);
}

void paint(QPainter& painter, const StackViewModel& model, const QList<Thumbnail>& thumbnails,
           const QColor& accent, const QFont& base)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF card = cardRect(base);

    if (model.isSelected()) {
        QColor fill = accent;
        fill.setAlphaF(0.35);
        drawPlate(painter, centred(card, {112, 106}), 18, fill, accent, 2);
    }

    if (model.isExpanded()) {
        const QRectF plate = centred(card, {92, 92});
        drawPlate(painter, plate, 16, QColor(255, 255, 255, 31), QColor(255, 255, 255, 204), 2);
        QColor symbol(Qt::white);
        symbol.setAlphaF(0.9);
        StackSymbol::draw(painter, centred(plate, {30, 30}), symbol);
    } else {
        paintFan(painter, card, thumbnails);
        const QRectF badge = badgeRect(model.count(), base);
        fillCapsule(painter, badge, badgeRed);
        painter.setFont(badgeFont(base));
        painter.setPen(Qt::white);
        painter.drawText(badge, Qt::AlignCenter, QString::number(model.count()));
    }
    painter.restore();
}

void paintCaption(QPainter& painter, const StackViewModel& model, const QFont& base)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QString line = captionLine(model.caption(), captionFont(base));
    const QRectF caption = captionRect(line, base);
    fillCapsule(painter, caption, QColor(0, 0, 0, 89));
    painter.setFont(captionFont(base));
    painter.setPen(Qt::white);
    painter.drawText(caption, Qt::AlignCenter, line);
    painter.restore();
}

} // namespace StackCard
