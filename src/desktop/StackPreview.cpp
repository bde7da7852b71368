#include "desktop/StackPreview.h"

#include "desktop/ScreenCoordinates.h"
#include "desktop/StackPreviewModel.h"
#include "desktop/StackPreviewView.h"
#include "desktop/StackView.h"
#include "desktop/StackViewModel.h"
#include "desktop/StackWindow.h"
#include "desktop/ThumbnailLoader.h"
#include "engine/StackWindowHost.h"
#include "platform/DesktopPlatform.h"
#include "platform/Scheduler.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

#include <cmath>
#include <optional>

namespace {
QPointer<StackPreview> currentPreview;
constexpr qreal overlap = 10;
constexpr qreal screenInset = 0.02;
constexpr qreal cornerRadius = 17;
constexpr qreal offScreenMargin = 2000;
} // namespace

StackPreview* StackPreview::current()
{
    return currentPreview.data();
}

void StackPreview::toggle(StackWindow& source)
{
    if (StackPreview* open = current()) {
        const bool own = open->source() == &source;
        open->closePreview();
        if (own)
            return;
    }
    if (source.files().isEmpty())
        return;
    auto* preview = new StackPreview(source);
    currentPreview = preview;
    preview->show();
    preview->raise();
    // Escape needs the keyboard.
    preview->activateWindow();
}

void StackPreview::closeFor(const StackWindow* source)
{
    if (StackPreview* open = current(); open && source && open->source() == source)
        open->closePreview();
}

QRectF StackPreview::placement(QSizeF size, const QRectF& stack,
                               const QList<ScreenGeometry>& screens)
{
    std::optional<QRectF> visible;
    for (const ScreenGeometry& screen : screens) {
        if (screen.frame.contains(stack.center())) {
            visible = screen.visibleFrame;
            break;
        }
    }
    // Otherwise the screen most of the window lies on.
    qreal largest = 0;
    for (const ScreenGeometry& screen : screens) {
        if (visible)
            break;
        const QRectF common = screen.frame.intersected(stack);
        if (common.width() * common.height() > largest) {
            largest = common.width() * common.height();
            visible = screen.visibleFrame;
        }
    }
    QRectF area = visible.value_or(
        stack.adjusted(-offScreenMargin, -offScreenMargin, offScreenMargin, offScreenMargin));
    area.adjust(area.width() * screenInset, area.height() * screenInset,
                -area.width() * screenInset, -area.height() * screenInset);

    const qreal w = size.width();
    const qreal h = size.height();
    qreal y = maxY(stack) - overlap;
    if (y + h > maxY(area))
        y = minY(stack) - h + overlap;
    qreal x = stack.center().x() - w / 2;
    x = std::min(std::max(x, minX(area)), maxX(area) - w);
    y = std::min(std::max(y, minY(area)), maxY(area) - h);
    return QRectF(x, y, w, h);
}

QRectF StackPreview::refreshedFrame(const QRectF& frame, QSizeF size, const QRectF& stack)
{
    qreal y = frame.y();
    // Screen coordinates run upward: a larger y is higher up.
    if (frame.center().y() <= stack.center().y())
        y += frame.height() - size.height();
    return QRectF(frame.x(), y, size.width(), size.height());
}

StackPreview::StackPreview(StackWindow& source)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_source(&source)
    , m_scheduler(source.environment().scheduler)
    , m_screens(source.environment().screens)
    , m_model(new StackPreviewModel(this))
    , m_thumbnails(new ThumbnailLoader(m_scheduler, source.environment().thumbnails, this))
    , m_view(nullptr)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Tidora preview"));
    m_model->setFiles(source.files());
    m_compositing = source.view().isCompositing();

    const QPointer<StackPreview> self(this);
    PreviewCell::Actions actions;
    actions.open = [self](const QString& path) {
        if (self)
            self->open(path);
    };
    actions.dragging = [self](bool dragging) {
        if (self)
            self->m_dragging = dragging;
    };
    m_view = new StackPreviewView(*m_model, source.model().name(), *m_thumbnails,
                                  source.environment().fileSystem, std::move(actions), this);
    placeAt(placement(m_model->size(), source.frame(), m_screens.screens()));

    // Clicks in our other windows, then clicks anywhere else on the screen.
    qApp->installEventFilter(this);
    if (DesktopPlatform* platform = source.environment().platform) {
        platform->startPointerEvents();
        m_globalClicks =
            connect(platform, &DesktopPlatform::pointerEvent, this, &StackPreview::pointerPressed);
        connect(platform, &DesktopPlatform::compositorChanged, this, [this] {
            if (m_source)
                m_compositing = m_source->view().isCompositing();
            updateShape();
            QWidget::update();
        });
    }
    watchFolder();
    updateShape();
}

StackPreview::~StackPreview()
{
    if (currentPreview == this)
        currentPreview = nullptr;
}

void StackPreview::placeAt(const QRectF& frame)
{
    m_frame = frame;
    const QSize pixels(int(std::ceil(frame.width())), int(std::ceil(frame.height())));
    const QPointF topLeft =
        ScreenCoordinates::globalTopLeft(QPointF(frame.x(), frame.y()), frame.size(), m_screens);
    setGeometry(QRect(topLeft.toPoint(), pixels));
    m_view->setGeometry(rect());
}

void StackPreview::refresh(const QStringList& files)
{
    if (files.isEmpty()) {
        closePreview();
        return;
    }
    if (files == m_model->files())
        return;
    const QSizeF size = StackPreviewModel::sizeFor(files.size());
    const QRectF stack = m_source ? m_source->frame() : m_frame;
    m_model->setFiles(files);
    placeAt(refreshedFrame(m_frame, size, stack));
    updateShape();
}

void StackPreview::closePreview()
{
    if (m_closed)
        return;
    m_closed = true;
    qApp->removeEventFilter(this);
    disconnect(m_globalClicks);
    m_pending.reset();
    m_watcher.reset();
    if (currentPreview == this)
        currentPreview = nullptr;
    hide();
    deleteLater();
}

void StackPreview::watchFolder()
{
    if (m_model->files().isEmpty())
        return;
    const QString folder = QFileInfo(m_model->files().first()).absolutePath();
    m_watcher = std::make_unique<QFileSystemWatcher>();
    // A folder that cannot be watched leaves the panel as it is.
    if (!m_watcher->addPath(folder)) {
        m_watcher.reset();
        return;
    }
    connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, this,
            &StackPreview::folderChanged);
}

void StackPreview::folderChanged()
{
    // A burst of changes gives one look at the folder, once it has been quiet for a while.
    m_pending = std::make_unique<QObject>();
    m_scheduler.after(std::chrono::milliseconds(refreshDelayMs), m_pending.get(),
                      [this] { folderSettled(); });
}

void StackPreview::folderSettled()
{
    if (!m_source || m_closed)
        return;
    // A file dragged out of the panel is still on its way: look again once it has landed.
    if (m_dragging) {
        folderChanged();
        return;
    }
    m_source->host().syncWithFolder(m_source->stackID());
    if (!m_source || m_closed)
        return;
    if (isVisible())
        refresh(m_source->files());
}

void StackPreview::pointerPressed(const PointerEvent& event)
{
    if (event.kind != PointerEvent::Kind::Press)
        return;
    if (frameGeometry().contains(event.position))
        return;
    if (m_source && m_source->frameGeometry().contains(event.position))
        return;
    closePreview();
}

bool StackPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && (press->button() == Qt::LeftButton || press->button() == Qt::RightButton)) {
            const QWidget* window = widget->window();
            if (window != this && window != m_source.data())
                closePreview();
        }
    }
    return false;
}

void StackPreview::open(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    closePreview();
}

void StackPreview::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        closePreview();
        return;
    }
    QWidget::keyPressEvent(event);
}

void StackPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    if (m_compositing) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(bounds, Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    // Opaque: nothing here can blur what lies behind, and unblurred it shows through as ghosts
    // of windows and icons.
    const QColor material = palette().color(QPalette::Active, QPalette::Window);
    painter.setPen(Qt::NoPen);
    painter.setBrush(material);
    // Cut to its shape by the mask, the panel is filled whole: the soft edge of a rounded fill
    // would blend with the black of an uncleared backing store.
    if (m_compositing)
        painter.drawRoundedRect(bounds, cornerRadius, cornerRadius);
    else
        painter.fillRect(bounds, material);
    // The hairline inside the edge.
    painter.setPen(QPen(QColor(255, 255, 255, 38), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                            cornerRadius - 0.5);
}

void StackPreview::updateShape()
{
    if (m_compositing) {
        clearMask();
        return;
    }
    // Nothing is translucent without a compositor: the panel is cut to its rounded shape.
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}
