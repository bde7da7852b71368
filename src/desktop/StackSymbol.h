#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// The stack symbol: three rounded squares stacked towards the lower right, the front one solid.
// Stands in for the system's stacked-squares symbol wherever a stack is drawn.
namespace StackSymbol {

void draw(QPainter& painter, const QRectF& box, const QColor& colour);

} // namespace StackSymbol
