#include "desktop/ImageEffects.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// Widths of three box filters whose succession approximates a Gaussian of deviation sigma.
std::array<int, 3> boxWidths(qreal sigma)
{
    const qreal ideal = std::sqrt(12 * sigma * sigma / 3 + 1);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const qreal m = std::round((12 * sigma * sigma - 3.0 * lower * lower - 12.0 * lower - 9) /
                               (-4.0 * lower - 4));
    std::array<int, 3> widths{};
    for (int i = 0; i < 3; ++i)
        widths[size_t(i)] = std::max(1, i < m ? lower : upper);
    return widths;
}

// One box pass of half-width r along a line of `count` pixels `stride` apart (in quint32s).
void boxLine(quint32* line, int count, int stride, int r, std::vector<quint32>& scratch)
{
    scratch.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        scratch[size_t(i)] = line[i * stride];
    const int width = 2 * r + 1;
    std::array<int, 4> sum{};
    auto add = [&sum](quint32 pixel, int sign) {
        for (int c = 0; c < 4; ++c)
            sum[size_t(c)] += sign * int((pixel >> (8 * c)) & 0xff);
    };
    // Pixels beyond the ends count as transparent.
    for (int i = 0; i <= std::min(r, count - 1); ++i)
        add(scratch[size_t(i)], 1);
    for (int i = 0; i < count; ++i) {
        quint32 out = 0;
        for (int c = 0; c < 4; ++c)
            out |= quint32((sum[size_t(c)] + width / 2) / width) << (8 * c);
        line[i * stride] = out;
        const int incoming = i + r + 1;
        const int outgoing = i - r;
        if (incoming < count)
            add(scratch[size_t(incoming)], 1);
        if (outgoing >= 0)
            add(scratch[size_t(outgoing)], -1);
    }
}

} // namespace

namespace ImageEffects {

void blur(QImage& image, qreal radius)
{
    if (radius < 0.5 || image.isNull())
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    const int stride = int(image.bytesPerLine() / 4);
    auto* bits = reinterpret_cast<quint32*>(image.bits());
    std::vector<quint32> scratch;
    for (const int width : boxWidths(radius)) {
        const int r = (width - 1) / 2;
        if (r == 0)
            continue;
        for (int y = 0; y < h; ++y)
            boxLine(bits + y * stride, w, 1, r, scratch);
        for (int x = 0; x < w; ++x)
            boxLine(bits + x, h, stride, r, scratch);
    }
}

int margin(qreal radius)
{
    return int(std::ceil(radius * 3));
}

QImage shadow(const QImage& image, const QColor& colour, qreal radius)
{
    const int m = margin(radius);
    // Worked in device pixels: the source is drawn pixel for pixel.
    QImage source = image;
    source.setDevicePixelRatio(1);
    QImage result(source.width() + 2 * m, source.height() + 2 * m,
                  QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawImage(QPoint(m, m), source);
    // Keep the silhouette, take the colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), colour);
    painter.end();
    blur(result, radius);
    result.setDevicePixelRatio(image.devicePixelRatio());
    return result;
}

} // namespace ImageEffects
