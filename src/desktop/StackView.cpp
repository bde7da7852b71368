#include "desktop/StackView.h"

#include "desktop/ImageEffects.h"
#include "desktop/Springs.h"
#include "desktop/StackViewModel.h"

#include <QBitmap>
#include <QEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace {
constexpr int dissolveMilliseconds = 500;
constexpr int progressMilliseconds = 150;
// Without a compositor a pixel fainter than this is left out of the window's shape.
constexpr int maskThreshold = 40;

qreal mix(qreal from, qreal to, qreal amount)
{
    return from + (to - from) * amount;
}
} // namespace

StackView::StackView(StackViewModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_backdrop(0x4a, 0x55, 0x60)
{
    for (Channel* channel : {&m_appear, &m_dissolve, &m_progress, &m_target})
        setUp(*channel);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFixedSize(StackCard::viewSize.toSize());

    const QEasingCurve easeOut(QEasingCurve::OutCubic);
    connect(&m_model, &StackViewModel::isDissolvingChanged, this, [this, easeOut](bool on) {
        animate(m_dissolve, on ? 1 : 0, easeOut, dissolveMilliseconds);
    });
    connect(&m_model, &StackViewModel::dissolveProgressChanged, this,
            [this, easeOut](qreal p) { animate(m_progress, p, easeOut, progressMilliseconds); });
    connect(&m_model, &StackViewModel::isDropTargetChanged, this, [this](bool on) {
        const Springs::Spring spring = Springs::quick();
        animate(m_target, on ? 1 : 0, spring.curve, spring.milliseconds);
    });
    connect(&m_model, &StackViewModel::thumbnailsChanged, this, [this] {
        prepareThumbnails();
        refresh();
    });
    connect(&m_model, &StackViewModel::nameChanged, this, &StackView::refresh);
    connect(&m_model, &StackViewModel::countChanged, this, &StackView::refresh);
    connect(&m_model, &StackViewModel::isExpandedChanged, this, &StackView::refresh);
    connect(&m_model, &StackViewModel::isSelectedChanged, this, &StackView::refresh);
    prepareThumbnails();
    refresh();
}

void StackView::setUp(Channel& channel)
{
    channel.animation = new QVariantAnimation(this);
    connect(channel.animation, &QVariantAnimation::valueChanged, this,
            [this, &channel](const QVariant& value) {
                channel.value = value.toReal();
                refresh();
            });
}

void StackView::animate(Channel& channel, qreal to, const QEasingCurve& curve, int milliseconds)
{
    channel.animation->stop();
    if (!isVisible()) {
        // Nobody watches: jump.
        channel.value = to;
        refresh();
        return;
    }
    channel.animation->setStartValue(channel.value);
    channel.animation->setEndValue(to);
    channel.animation->setEasingCurve(curve);
    channel.animation->setDuration(milliseconds);
    channel.animation->start();
}

void StackView::finishAnimations()
{
    for (Channel* channel : {&m_appear, &m_dissolve, &m_progress, &m_target}) {
        if (channel->animation->state() == QAbstractAnimation::Running)
            channel->animation->setCurrentTime(channel->animation->duration());
    }
}

StackView::Effects StackView::restingEffects(bool appeared, bool dissolving, qreal progress,
                                             bool dropTarget)
{
    if (dissolving)
        return {1.15, 16, 0};
    if (!appeared)
        return {0.6, 6 * progress, 0};
    return {(1 - 0.2 * progress) * (dropTarget ? 1.08 : 1.0), 6 * progress, 1 - 0.6 * progress};
}

StackView::Effects StackView::effects() const
{
    // Each input moves on its own curve; the effects mix the states it moves between.
    const qreal progress = m_progress.value;
    const qreal dissolve = m_dissolve.value;
    const qreal settled = (1 - 0.2 * progress) * (1 + 0.08 * m_target.value);
    const qreal scale = mix(mix(0.6, settled, m_appear.value), 1.15, dissolve);
    const qreal blur = mix(6 * progress, 16, dissolve);
    const qreal opacity =
        std::clamp(mix(0.0, 1 - 0.6 * progress, m_appear.value) * (1 - dissolve), 0.0, 1.0);
    const qreal captionScale =
        mix(mix(0.6, 1 + 0.08 * m_target.value, m_appear.value), 1.15, dissolve);
    const qreal captionOpacity = std::clamp(m_appear.value * (1 - dissolve), 0.0, 1.0);
    return {scale, std::max(0.0, blur), opacity, captionScale, captionOpacity};
}

void StackView::setCompositing(bool compositing)
{
    if (m_compositing == compositing)
        return;
    m_compositing = compositing;
    refresh();
}

void StackView::setBackdrop(const QColor& colour)
{
    if (m_backdrop == colour || !colour.isValid())
        return;
    m_backdrop = colour;
    update();
}

void StackView::prepareThumbnails()
{
    const qreal scale = devicePixelRatioF();
    m_thumbnails.clear();
    for (const QImage& image : m_model.thumbnails())
        m_thumbnails.append(StackCard::prepareThumbnail(image, scale));
}

void StackView::refresh()
{
    const qreal scale = devicePixelRatioF();
    const QSize pixels = (StackCard::viewSize * scale).toSize();
    const Effects now = effects();

    QImage frame(pixels, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    frame.setDevicePixelRatio(scale);
    const QPointF centre(StackCard::viewSize.width() / 2, StackCard::viewSize.height() / 2);
    if (now.opacity > 0) {
        QPainter painter(&frame);
        painter.translate(centre);
        painter.scale(now.scale, now.scale);
        painter.translate(-centre);
        StackCard::paint(painter, m_model, m_thumbnails,
                         palette().color(QPalette::Active, QPalette::Highlight), font());
        painter.end();
        ImageEffects::blur(frame, now.blur * scale);
        if (now.opacity < 1) {
            QPainter fade(&frame);
            fade.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            fade.fillRect(QRectF(QPointF(0, 0), StackCard::viewSize),
                          QColor(0, 0, 0, int(std::lround(now.opacity * 255))));
        }
    }
    if (now.captionOpacity > 0) {
        QPainter painter(&frame);
        painter.setOpacity(now.captionOpacity);
        painter.translate(centre);
        painter.scale(now.captionScale, now.captionScale);
        painter.translate(-centre);
        StackCard::paintCaption(painter, m_model, font());
    }
    m_frame = std::move(frame);

    const QRegion mask = m_compositing ? QRegion(rect()) : maskOf(m_frame);
    if (mask != m_mask) {
        m_mask = mask;
        Q_EMIT maskChanged(m_mask);
        // The pixels a grown shape takes in show black until they are painted: paint them now,
        // not a frame later.
        if (!m_compositing && isVisible()) {
            repaint();
            return;
        }
    }
    update();
}

QRegion StackView::maskOf(const QImage& frame) const
{
    const qreal scale = frame.devicePixelRatio();
    const int width = int(StackCard::viewSize.width());
    const int height = int(StackCard::viewSize.height());
    QImage shape(width, height, QImage::Format_MonoLSB);
    shape.setColor(0, QColor(Qt::color0).rgb());
    shape.setColor(1, QColor(Qt::color1).rgb());
    shape.fill(0);
    bool any = false;
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(
            frame.constScanLine(std::min(frame.height() - 1, int(y * scale))));
        for (int x = 0; x < width; ++x) {
            if (qAlpha(line[std::min(frame.width() - 1, int(x * scale))]) >= maskThreshold) {
                shape.setPixel(x, y, 1);
                any = true;
            }
        }
    }
    // An empty region would lift the mask altogether: keep one pixel, drawn in the backdrop.
    if (!any)
        return QRegion(0, 0, 1, 1);
    return QRegion(QBitmap::fromImage(shape));
}

void StackView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_compositing) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        painter.fillRect(rect(), m_backdrop);
    }
    painter.drawImage(QPointF(0, 0), m_frame);
}

void StackView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    const Springs::Spring spring = Springs::lively();
    animate(m_appear, 1, spring.curve, spring.milliseconds);
}

void StackView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        prepareThumbnails();
        refresh();
    }
}
