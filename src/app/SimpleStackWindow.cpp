#include "app/SimpleStackWindow.h"

#include "desktop/QtScreens.h"
#include "engine/StackManager.h"
#include "platform/DesktopPlatform.h"
#include "store/DesktopStack.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

namespace {

// How far the pointer moves before a press becomes a drag.
constexpr int dragDistance = 4;
constexpr qreal cardWidth = StackWindowPort::width;
constexpr qreal cardHeight = StackWindowPort::height;

} // namespace

SimpleStackWindow::SimpleStackWindow(const QUuid& stackID, StackManager& manager,
                                     DesktopPlatform& platform)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint |
                           Qt::WindowDoesNotAcceptFocus)
    , m_id(stackID)
    , m_manager(&manager)
    , m_platform(platform)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(int(cardWidth), int(cardHeight));
    setWindowTitle(QStringLiteral("Tidora stack"));
    winId();
    m_platform.decorateStackWindow(windowHandle());
}

void SimpleStackWindow::update(const DesktopStack& record, const QStringList& files)
{
    m_name = record.name;
    m_count = files.size();
    m_spread = record.state == StackState::expanded;
    setAccessibleName(m_name);
    QWidget::update();
}

QPointF SimpleStackWindow::frameOrigin() const
{
    return frame().topLeft();
}

void SimpleStackWindow::setFrameOrigin(QPointF origin)
{
    const QRectF toolkit = QtScreens::toToolkit(QRectF(origin, QSizeF(cardWidth, cardHeight)));
    move(toolkit.topLeft().toPoint());
}

QRectF SimpleStackWindow::frame() const
{
    // In the port's coordinates the rectangle's "top left" is its lower-left corner.
    return QtScreens::fromToolkit(QRectF(pos(), QSizeF(cardWidth, cardHeight)));
}

void SimpleStackWindow::orderFront()
{
    if (!isVisible())
        show();
    raise();
}

void SimpleStackWindow::close()
{
    hide();
}

void SimpleStackWindow::setSelected(bool selected)
{
    m_selected = selected;
    QWidget::update();
}

void SimpleStackWindow::setDropTarget(bool target)
{
    m_dropTarget = target;
    QWidget::update();
}

void SimpleStackWindow::startDissolveAnimation()
{
    if (m_manager)
        m_manager->dissolveAfterAnimation(m_id);
}

void SimpleStackWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(40, 44, 52));
    QPainterPath card;
    card.addRoundedRect(QRectF(20, 10, 100, 90), 12, 12);
    painter.fillPath(card, m_spread ? QColor(120, 130, 150) : QColor(236, 238, 242));
    if (m_selected || m_dropTarget) {
        painter.setPen(QPen(m_dropTarget ? QColor(60, 200, 120) : QColor(70, 140, 255), 3));
        painter.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 14, 14);
    }
    painter.setPen(QColor(30, 30, 30));
    QFont big = font();
    big.setPointSize(22);
    big.setBold(true);
    painter.setFont(big);
    painter.drawText(QRectF(20, 10, 100, 90), Qt::AlignCenter, QString::number(m_count));
    painter.setFont(font());
    painter.setPen(Qt::white);
    const QString name = fontMetrics().elidedText(m_name, Qt::ElideMiddle, int(cardWidth) - 10);
    painter.drawText(QRectF(5, 106, cardWidth - 10, 36), Qt::AlignHCenter | Qt::AlignTop, name);
}

void SimpleStackWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_manager)
        return;
    m_pressedAt = event->globalPosition().toPoint();
    m_startPosition = pos();
    m_dragging = false;
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))
        m_manager->toggleSelection(m_id);
    else
        m_manager->selectIfNeeded(m_id);
}

void SimpleStackWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressedAt || !m_manager)
        return;
    const QPoint delta = event->globalPosition().toPoint() - *m_pressedAt;
    if (!m_dragging && delta.manhattanLength() < dragDistance)
        return;
    if (!m_dragging) {
        m_dragging = true;
        m_manager->beginGroupDrag(m_id);
    }
    move(m_startPosition + delta);
    m_manager->windowMoved(m_id, frameOrigin());
}

void SimpleStackWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressedAt || !m_manager)
        return;
    m_pressedAt.reset();
    if (m_dragging) {
        m_dragging = false;
        m_manager->endGroupDrag();
        return;
    }
    if (!(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
        toggle();
}

void SimpleStackWindow::toggle()
{
    const bool spread = m_spread;
    for (const QUuid& target : m_manager->targetsOfWindowCommand(m_id)) {
        if (!m_manager)
            return;
        if (spread)
            m_manager->restack(target, true);
        else
            m_manager->spread(target, false);
    }
}

void SimpleStackWindow::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_manager)
        return;
    QMenu menu;
    const QPointer<StackManager> manager = m_manager;
    const QUuid id = m_id;
    menu.addAction(tr("Rename\u2026"), this, [manager, id] {
        if (manager)
            manager->renameStack(id);
    });
    menu.addAction(tr("Dissolve"), this, [manager, id] {
        if (manager)
            manager->dissolveFromMenu(id);
    });
    menu.exec(event->globalPos());
}
