#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;
class StackViewModel;

// The picture of one stack, without its effects: the selection highlight, the thumbnail fan
// with the count badge (collapsed) or the stack symbol (spread), and the caption. Sizes are
// points (logical pixels) within the 140 × 150 view; Qt's y runs downward.
namespace StackCard {

inline constexpr QSizeF viewSize{140, 150};
inline constexpr QSizeF cardSize{110, 104};
inline constexpr QSizeF fanSize{100, 100};
inline constexpr QSizeF thumbnailSize{76, 76};
inline constexpr qreal spacing = 6;

// Thumbnail i (0 for the first file) lies rotated by 7·i degrees (clockwise) and moved 5·i
// right and 4·i up; the first file's image is drawn last, on top.
struct FanPlacement
{
    qreal degrees;
    QPointF offset;
};
FanPlacement fanPlacement(int index);

// One thumbnail fitted into its 76 × 76 frame, with its shadow, ready to draw.
struct Thumbnail
{
    QImage image;
    QImage shadow;
};
Thumbnail prepareThumbnail(const QImage& image, qreal scale);

QFont captionFont(const QFont& base);
QFont badgeFont(const QFont& base);
// The caption's text as one line: line breaks and tabs become spaces, and a name too long
// for the view is cut with an ellipsis.
QString captionLine(const QString& text, const QFont& font);

QRectF cardRect(const QFont& base);
QRectF captionRect(const QString& line, const QFont& base);
QRectF badgeRect(int count, const QFont& base);

// Draws the card for the model at the view's top-left corner, without its caption.
void paint(QPainter& painter, const StackViewModel& model, const QList<Thumbnail>& thumbnails,
           const QColor& accent, const QFont& base);
// Draws the caption under the card.
void paintCaption(QPainter& painter, const StackViewModel& model, const QFont& base);

} // namespace StackCard
