#include "desktop/GestureHintWindow.h"

#include "desktop/ScreenCoordinates.h"
#include "desktop/StackSymbol.h"

#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>

namespace {
const QString text = QStringLiteral("Release to Stack");
constexpr int paddingX = 10;
constexpr int paddingY = 6;
constexpr int symbolSize = 12;
constexpr int symbolGap = 4;
constexpr int fadeMilliseconds = 150;
} // namespace

GestureHintWindow::GestureHintWindow(const Screens& screens)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                           Qt::BypassWindowManagerHint)
    , m_screens(screens)
    , m_fade(new QPropertyAnimation(this, "windowOpacity", this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(panelSize);
    m_fade->setDuration(fadeMilliseconds);
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
    updateMask();
}

QFont GestureHintWindow::labelFont() const
{
    QFont font = this->font();
    // Twelve points of the reference design are twelve logical pixels.
    font.setPixelSize(12);
    font.setWeight(QFont::DemiBold);
    return font;
}

QRect GestureHintWindow::capsuleRect() const
{
    const QFontMetrics metrics(labelFont());
    const int contentWidth = symbolSize + symbolGap + metrics.horizontalAdvance(text);
    const int contentHeight = std::max(symbolSize, metrics.height());
    return QRect(0, 0, contentWidth + 2 * paddingX, contentHeight + 2 * paddingY)
        .intersected(rect());
}

void GestureHintWindow::setCompositing(bool compositing)
{
    m_compositing = compositing;
    updateMask();
    update();
}

void GestureHintWindow::updateMask()
{
    if (m_compositing) {
        clearMask();
        return;
    }
    const QRect capsule = capsuleRect();
    QPainterPath path;
    path.addRoundedRect(capsule, capsule.height() / 2.0, capsule.height() / 2.0);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void GestureHintWindow::showAt(const QPointF& origin)
{
    moveTo(origin);
    setWindowOpacity(0.0);
    show();
    raise();
    m_fade->stop();
    m_fade->start();
}

void GestureHintWindow::moveTo(const QPointF& origin)
{
    move(ScreenCoordinates::globalTopLeft(origin, QSizeF(panelSize), m_screens).toPoint());
}

void GestureHintWindow::hide()
{
    m_fade->stop();
    QWidget::hide();
}

void GestureHintWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = capsuleRect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Active, QPalette::Highlight));
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);

    const QRectF content = capsule.adjusted(paddingX, paddingY, -paddingX, -paddingY);
    const QRectF symbol(content.left(), content.center().y() - symbolSize / 2.0, symbolSize,
                        symbolSize);
    StackSymbol::draw(painter, symbol, Qt::white);
    painter.setFont(labelFont());
    painter.setPen(Qt::white);
    painter.drawText(content.adjusted(symbolSize + symbolGap, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
}
