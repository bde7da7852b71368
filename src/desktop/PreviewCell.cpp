#include "desktop/PreviewCell.h"

#include "desktop/ImageEffects.h"
#include "desktop/TextWrapping.h"

#include <QBitmap>
#include <QDrag>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWindow>

namespace {
constexpr int topPadding = 6;
constexpr int spacing = 4;
constexpr int nameWidth = PreviewCell::cellSize.width() - 8;
constexpr qreal shadowRadius = 2;
} // namespace

PreviewCell::PreviewCell(const QString& path, Actions actions, QWidget* parent)
    : QWidget(parent)
    , m_path(path)
    , m_actions(std::move(actions))
{
    setFixedSize(cellSize);
    setAttribute(Qt::WA_Hover);
    setToolTip(QFileInfo(path).fileName());
}

void PreviewCell::setImage(const QImage& image)
{
    m_image = image;
    m_shadow = image.isNull() ? QImage()
                              : ImageEffects::shadow(image, QColor(0, 0, 0, 64),
                                                     shadowRadius * image.devicePixelRatio());
    QWidget::update();
}

QFont PreviewCell::nameFont() const
{
    QFont font = this->font();
    font.setPixelSize(12);
    return font;
}

QStringList PreviewCell::nameLines() const
{
    return elideMiddleLines(QFileInfo(m_path).fileName(), nameFont(), nameWidth, 2);
}

QPixmap PreviewCell::dragImage() const
{
    const qreal scale = devicePixelRatioF();
    QPixmap pixmap(dragImageSize * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    if (!m_image.isNull()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSizeF fitted = (QSizeF(m_image.size()) / m_image.devicePixelRatio())
                                  .scaled(QSizeF(dragImageSize), Qt::KeepAspectRatio);
        const QPointF at((dragImageSize.width() - fitted.width()) / 2,
                         (dragImageSize.height() - fitted.height()) / 2);
        painter.drawImage(QRectF(at, fitted), m_image);
    }
    return pixmap;
}

QRegion PreviewCell::dragShape(const QPixmap& pixmap)
{
    // Pixels fainter than this would show as a pale fringe over the label's white fill.
    constexpr int faintest = 64;
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    const qreal scale = pixmap.devicePixelRatio();
    const QSize points = (QSizeF(image.size()) / scale).toSize();
    QImage shape(points, QImage::Format_MonoLSB);
    shape.setColor(0, QColor(Qt::color0).rgb());
    shape.setColor(1, QColor(Qt::color1).rgb());
    shape.fill(0);
    for (int y = 0; y < points.height(); ++y) {
        for (int x = 0; x < points.width(); ++x) {
            const QPoint at(std::min(image.width() - 1, int(x * scale)),
                            std::min(image.height() - 1, int(y * scale)));
            if (qAlpha(image.pixel(at)) >= faintest)
                shape.setPixel(x, y, 1);
        }
    }
    return QRegion(QBitmap::fromImage(shape));
}

void PreviewCell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QColor text = palette().color(QPalette::Active, QPalette::WindowText);
    if (m_hovering) {
        QColor hover = text;
        hover.setAlphaF(0.1);
        painter.setPen(Qt::NoPen);
        painter.setBrush(hover);
        painter.drawRoundedRect(QRectF(rect()), 10, 10);
    }

    const QRectF frame((width() - imageSide) / 2.0, topPadding, imageSide, imageSide);
    if (!m_image.isNull()) {
        const qreal scale = m_image.devicePixelRatio();
        const QSizeF fitted =
            (QSizeF(m_image.size()) / scale).scaled(frame.size(), Qt::KeepAspectRatio);
        const QRectF target(frame.center().x() - fitted.width() / 2,
                            frame.center().y() - fitted.height() / 2, fitted.width(),
                            fitted.height());
        if (!m_shadow.isNull()) {
            // Black at 0.25, radius 2, one point down; scaled with the image into its frame.
            const qreal ratio = target.width() / (m_image.width() / scale);
            const qreal margin = ImageEffects::margin(shadowRadius * scale) / scale * ratio;
            painter.drawImage(target.adjusted(-margin, -margin + 1, margin, margin + 1), m_shadow);
        }
        painter.drawImage(target, m_image);
    }

    painter.setFont(nameFont());
    painter.setPen(text);
    const QFontMetrics metrics(nameFont());
    qreal y = frame.bottom() + spacing;
    for (const QString& line : nameLines()) {
        painter.drawText(QRectF((width() - nameWidth) / 2.0, y, nameWidth, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, line);
        y += metrics.height();
    }
}

void PreviewCell::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    QWidget::update();
    QWidget::enterEvent(event);
}

void PreviewCell::leaveEvent(QEvent* event)
{
    m_hovering = false;
    QWidget::update();
    QWidget::leaveEvent(event);
}

void PreviewCell::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressPoint = event->position().toPoint();
    m_dragging = false;
}

void PreviewCell::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressPoint || m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint moved = event->position().toPoint() - *m_pressPoint;
    if (std::hypot(moved.x(), moved.y()) <= dragDistance)
        return;
    m_dragging = true;
    startDrag();
}

void PreviewCell::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressPoint) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressPoint.reset();
    if (!m_dragging && m_actions.open)
        m_actions.open(m_path);
    m_dragging = false;
}

void PreviewCell::startDrag()
{
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(m_path)});
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(dragImage());
    // The image is centred on the point where the press was.
    drag->setHotSpot(QPoint(dragImageSize.width() / 2, dragImageSize.height() / 2));
    const std::function<void(bool)> dragging = m_actions.dragging;
    if (dragging)
        dragging(true);
    // Out of the stack means out of its folder: a move, whatever the modifiers say. The drag
    // runs an event loop of its own; the cell may be gone when it returns.
    const QPointer<PreviewCell> alive(this);
    // Qt's drag label leaves its window unshaped when nothing composites, and fills it white:
    // cut it to the image once the drag's own loop runs (the label exists by then).
    const QRegion shape = dragShape(drag->pixmap());
    QTimer::singleShot(0, drag, [shape] {
        for (QWindow* window : QGuiApplication::topLevelWindows()) {
            if (window->inherits("QShapedPixmapWindow") && window->mask().isEmpty())
                window->setMask(shape);
        }
    });
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    if (dragging)
        dragging(false);
    if (alive)
        m_pressPoint.reset();
}
