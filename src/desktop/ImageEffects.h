#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>

// The two effects the stack view and the preview draw with, on premultiplied ARGB images.
namespace ImageEffects {

// A Gaussian-like blur (three box passes) with the given radius in device pixels, as the
// standard deviation; the image keeps its size, so content near the edges fades out.
void blur(QImage& image, qreal radius);

// The drop shadow of `image`: its silhouette in `colour`, blurred by `radius` device pixels,
// on an image larger by `margin()` device pixels on every side, with the source's pixel ratio.
QImage shadow(const QImage& image, const QColor& colour, qreal radius);
int margin(qreal radius);

} // namespace ImageEffects
