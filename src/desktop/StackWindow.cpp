#include "desktop/StackWindow.h"

#include "desktop/DesktopLog.h"
#include "desktop/FileIcons.h"
#include "desktop/ScreenCoordinates.h"
#include "desktop/StackContainerView.h"
#include "desktop/StackPreview.h"
#include "desktop/StackView.h"
#include "desktop/StackViewModel.h"
#include "desktop/ThumbnailLoader.h"
#include "engine/DesktopCoordinates.h"
#include "engine/FileKind.h"
#include "engine/StackWindowHost.h"
#include "platform/Alerts.h"
#include "platform/DesktopPlatform.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "store/DesktopStack.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWindow>

#include <cmath>

namespace {
constexpr QSize windowSize(140, 150);
constexpr QSize thumbnailPoints(80, 80);
constexpr qsizetype thumbnailCount = 3;

bool selectionModifier(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
}

// QPointF's own comparison forgives small differences; a moved window must not be missed.
bool samePoint(QPointF a, QPointF b)
{
    return a.x() == b.x() && a.y() == b.y();
}

// Only an X11 session can lack a compositor; everywhere else windows are composited.
bool compositing(const DesktopPlatform* platform)
{
    if (!platform || QGuiApplication::platformName() != QLatin1String("xcb"))
        return true;
    return platform->hasCompositor();
}
} // namespace

StackWindow::StackWindow(const QUuid& stackID, std::unique_ptr<StackWindowHost> host,
                         const StackWindowEnvironment& environment)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint |
                           Qt::WindowDoesNotAcceptFocus)
    , m_stackID(stackID)
    , m_host(std::move(host))
    , m_environment(environment)
    , m_model(new StackViewModel(this))
    , m_container(new StackContainerView(*this))
    , m_view(new StackView(*m_model, m_container))
    , m_thumbnails(new ThumbnailLoader(environment.scheduler, environment.thumbnails, this))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Tidora stack"));
    setFixedSize(windowSize);
    m_container->setGeometry(rect());
    connect(m_view, &StackView::maskChanged, this, [this](const QRegion& mask) {
        if (m_view->isCompositing())
            clearMask();
        else
            setMask(mask);
    });
    if (DesktopPlatform* platform = m_environment.platform) {
        // The workspace and stacking hints must be on the window before it is first mapped.
        winId();
        platform->decorateStackWindow(windowHandle());
        connect(platform, &DesktopPlatform::compositorChanged, this,
                [this] { setCompositing(compositing(m_environment.platform)); });
    }
    setCompositing(compositing(m_environment.platform));
}

StackWindow::~StackWindow()
{
    closePreviewIfOwn();
}

void StackWindow::update(const DesktopStack& record, const QStringList& files)
{
    m_model->setName(record.name);
    m_model->setCount(int(record.items.size()));
    m_model->setExpanded(record.state == StackState::expanded);
    m_files = files;
    if (m_model->isExpanded())
        closePreviewIfOwn();
    loadThumbnails(files.mid(0, thumbnailCount));
}

void StackWindow::loadThumbnails(const QStringList& paths)
{
    const qreal scale = devicePixelRatioF();
    // A file that already shows keeps its picture until the new one is read: no flicker
    // through the icon when a stack is merely renamed or refreshed.
    const QList<QImage> shown = m_model->thumbnails();
    QList<QImage> images;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const bool same = i < shown.size() && m_thumbnailFiles.value(i) == paths.at(i);
        images.append(same ? shown.at(i)
                           : FileIcons::iconImage(paths.at(i), thumbnailPoints, scale));
    }
    m_thumbnailFiles = paths;
    m_model->setThumbnails(images);

    m_thumbnails->startRound();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (FileKinds::classify(paths.at(i), m_environment.fileSystem) == FileKind::folders)
            continue;
        m_thumbnails->load(paths.at(i), thumbnailPoints * scale,
                           [this, i](const QImage& image) { m_model->setThumbnail(i, image); });
    }
}

QPointF StackWindow::frameOrigin() const
{
    const QPointF topLeft = pos();
    const QPointF bottomLeft(topLeft.x(), topLeft.y() + windowSize.height());
    const QPoint requested = ScreenCoordinates::globalTopLeft(m_requestedOrigin, QSizeF(windowSize),
                                                              m_environment.screens)
                                 .toPoint();
    // Qt places windows on whole pixels; while the window stands where the manager put it, its
    // origin is the one asked for.
    if (requested == pos())
        return m_requestedOrigin;
    return ScreenCoordinates::fromGlobal(bottomLeft, m_environment.screens);
}

void StackWindow::setFrameOrigin(QPointF origin)
{
    // The manager knows where it puts the window; telling it again would change nothing.
    m_requestedOrigin = origin;
    m_reportedOrigin = origin;
    move(ScreenCoordinates::globalTopLeft(origin, QSizeF(windowSize), m_environment.screens)
             .toPoint());
    if (!m_model->isDissolving()) {
        closePreviewIfOwn();
        updateDissolveProgress();
    }
    refreshBackdrop();
}

QRectF StackWindow::frame() const
{
    return DesktopCoordinates::windowFrame(frameOrigin());
}

void StackWindow::orderFront()
{
    if (!isVisible())
        show();
    raise();
}

void StackWindow::close()
{
    closePreviewIfOwn();
    hide();
}

void StackWindow::setSelected(bool selected)
{
    m_model->setSelected(selected);
    if (!selected)
        releaseKeyFocus();
}

void StackWindow::setDropTarget(bool target)
{
    m_model->setDropTarget(target);
}

void StackWindow::startDissolveAnimation()
{
    dissolveAfterRelease();
}

void StackWindow::mouseDown(QPoint globalPosition, Qt::KeyboardModifiers modifiers, int clickCount,
                            bool middleButton)
{
    takeKeyFocus();
    if (clickCount >= 2) {
        // The second click of a double-click only spreads a collapsed stack.
        if (!m_model->isExpanded())
            m_host->toggle(m_stackID);
        return;
    }
    if ((middleButton || modifiers.testFlag(Qt::AltModifier)) && !m_model->isExpanded()) {
        selectOnly();
        StackPreview::toggle(*this);
        return;
    }

    Press press;
    press.startGlobal = globalPosition;
    press.startTopLeft = pos();
    press.modifiers = modifiers;
    press.wasSelected = m_model->isSelected();
    if (selectionModifier(modifiers)) {
        if (!press.wasSelected)
            m_host->toggleSelection(m_stackID);
    } else {
        selectIfNeeded();
    }
    press.wasExpanded = m_model->isExpanded();

    m_dragStartOrigin = frameOrigin();
    press.startOrigin = *m_dragStartOrigin;
    m_isGroupDrag = m_host->beginGroupDrag(m_stackID);
    m_press = press;
}

void StackWindow::mouseDragged(QPoint globalPosition)
{
    if (!m_press)
        return;
    const QPoint topLeft = m_press->startTopLeft + (globalPosition - m_press->startGlobal);
    if (topLeft == pos())
        return;
    move(topLeft);
    windowMoved();
}

void StackWindow::mouseUp()
{
    if (!m_press)
        return;
    const Press press = *m_press;
    m_press.reset();
    const DragOutcome outcome = endWindowDrag(press);
    if (outcome.moved)
        return;
    if (selectionModifier(press.modifiers)) {
        // Shift- or Ctrl-click takes a stack that was selected out again at the release.
        if (press.wasSelected)
            m_host->toggleSelection(m_stackID);
        return;
    }
    selectOnly();
    if (press.wasExpanded && !outcome.dissolved)
        m_host->toggle(m_stackID);
}

StackWindow::DragOutcome StackWindow::endWindowDrag(const Press& press)
{
    const bool consumed = m_host->endGroupDrag();
    m_dragStartOrigin.reset();
    refreshBackdrop();
    DragOutcome outcome;
    outcome.moved = !samePoint(frameOrigin(), press.startOrigin);
    const bool wasGroupDrag = m_isGroupDrag;
    m_isGroupDrag = false;
    if (!consumed && !wasGroupDrag && m_model->isExpanded() && m_model->dissolveProgress() >= 1.0) {
        dissolveAfterRelease();
        outcome.dissolved = true;
        return outcome;
    }
    m_model->setDissolveProgress(0);
    return outcome;
}

void StackWindow::windowMoved()
{
    if (m_model->isDissolving())
        return;
    closePreviewIfOwn();
    const QPointF origin = frameOrigin();
    m_reportedOrigin = origin;
    m_host->windowMoved(m_stackID, origin);
    updateDissolveProgress();
}

void StackWindow::updateDissolveProgress()
{
    if (!m_model->isExpanded() || m_isGroupDrag || !m_dragStartOrigin)
        return;
    const QPointF delta = frameOrigin() - *m_dragStartOrigin;
    const qreal distance = std::hypot(delta.x(), delta.y());
    QRectF area(0, 0, 1200, 800);
    const QList<ScreenGeometry> screens = m_environment.screens.screens();
    if (!screens.isEmpty())
        area = screens.first().visibleFrame;
    const QPointF centre = frame().center();
    for (const ScreenGeometry& screen : screens) {
        if (screen.frame.contains(centre)) {
            area = screen.visibleFrame;
            break;
        }
    }
    const qreal half = 0.5 * std::min(area.width(), area.height());
    m_model->setDissolveProgress(half > 0 ? std::min(1.0, distance / half) : 1.0);
}

void StackWindow::dissolveAfterRelease()
{
    m_model->setDissolving(true);
    m_environment.alerts.haptic(Haptic::Generic);
    m_environment.scheduler.after(std::chrono::milliseconds(dissolveDelayMs), this,
                                  [this] { m_host->dissolveAfterAnimation(m_stackID); });
}

bool StackWindow::keyDown(int key, Qt::KeyboardModifiers modifiers)
{
    // Keypad Enter carries the keypad flag; any real modifier leaves the key alone.
    if ((modifiers & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    if (!m_model->isSelected())
        return false;
    const QSet<QUuid> selection = m_host->selection();
    if (selection.size() == 1 && selection.contains(m_stackID))
        m_host->renameStack(m_stackID);
    return true;
}

void StackWindow::keyPressEvent(QKeyEvent* event)
{
    if (!keyDown(event->key(), event->modifiers()))
        QWidget::keyPressEvent(event);
}

std::unique_ptr<QMenu> StackWindow::buildContextMenu()
{
    const qsizetype n = targets().size();
    const bool expanded = m_model->isExpanded();
    auto menu = std::make_unique<QMenu>();
    auto add = [this, &menu](const QString& title, void (StackWindow::*action)()) {
        QAction* item = menu->addAction(title);
        connect(item, &QAction::triggered, this, action);
        return item;
    };
    const QString count = QString::number(n);
    add(expanded ? QStringLiteral("Stack Files") : QStringLiteral("Spread Files"),
        &StackWindow::toggleFromMenu);
    add(expanded ? QStringLiteral("Arrange Files in a Grid")
                 : QStringLiteral("Spread Files in a Grid"),
        &StackWindow::gridFromMenu);
    if (n == 1)
        add(QStringLiteral("Rename\u2026"), &StackWindow::renameFromMenu);
    add(n == 1 ? QStringLiteral("Convert Stack into a Folder")
               : QStringLiteral("Convert %1 Stacks into Folders").arg(count),
        &StackWindow::convertFromMenu);
    menu->addSeparator();
    add(n == 1 ? QStringLiteral("Dissolve Stack") : QStringLiteral("Dissolve %1 Stacks").arg(count),
        &StackWindow::dissolveFromMenu);
    QAction* bin = add(n == 1 ? QStringLiteral("Move Stack to Bin\u2026")
                              : QStringLiteral("Move %1 Stacks to Bin\u2026").arg(count),
                       &StackWindow::moveToBinFromMenu);
    bin->setEnabled(!m_host->isWorking());
    return menu;
}

void StackWindow::showContextMenu(QPoint globalPosition)
{
    selectIfNeeded();
    // Not exec(): an action may remove the stack, and the window must not be on the call stack
    // of a nested event loop when it is destroyed.
    QMenu* menu = buildContextMenu().release();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QStringList titles;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator())
            titles.append(action->text());
    }
    qCDebug(lcDesktop).noquote() << "stack menu:" << titles.join(QStringLiteral(" | "));
    menu->popup(globalPosition);
}

bool StackWindow::dropFiles(const QStringList& paths)
{
    if (paths.isEmpty())
        return false;
    // The drop is answered first; the files move once the drag has ended.
    m_environment.scheduler.soon(this, [this, paths] { m_host->addFiles(paths, m_stackID); });
    return true;
}

void StackWindow::selectOnly()
{
    m_host->selectOnly(m_stackID);
}

void StackWindow::selectIfNeeded()
{
    m_host->selectIfNeeded(m_stackID);
}

QList<QUuid> StackWindow::targets() const
{
    return m_host->targetsOfWindowCommand(m_stackID);
}

void StackWindow::toggleFromMenu()
{
    const bool expanded = m_model->isExpanded();
    for (const QUuid& id : targets()) {
        if (expanded)
            m_host->restack(id, true);
        else
            m_host->spread(id, false);
    }
}

void StackWindow::gridFromMenu()
{
    const bool expanded = m_model->isExpanded();
    for (const QUuid& id : targets()) {
        if (expanded)
            m_host->arrangeInGrid(id);
        else
            m_host->spread(id, true);
    }
}

void StackWindow::renameFromMenu()
{
    m_host->renameStack(m_stackID);
}

void StackWindow::convertFromMenu()
{
    m_host->convertStacks(targets());
}

void StackWindow::dissolveFromMenu()
{
    m_host->dissolveFromMenu(m_stackID);
}

void StackWindow::moveToBinFromMenu()
{
    m_host->moveStacksToBin(targets());
}

void StackWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // During a drag the drag itself reports every step.
    if (m_press)
        return;
    if (m_reportedOrigin && samePoint(frameOrigin(), *m_reportedOrigin))
        return;
    windowMoved();
}

void StackWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshBackdrop();
}

void StackWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        releaseKeyFocus();
}

void StackWindow::closePreviewIfOwn()
{
    StackPreview::closeFor(this);
}

void StackWindow::takeKeyFocus()
{
    // The window takes no focus from a click, so that the user's program keeps it; it takes it
    // when the user works on the stack, so that Return reaches it.
    if (QWindow* window = windowHandle()) {
        if (window->flags().testFlag(Qt::WindowDoesNotAcceptFocus))
            window->setFlag(Qt::WindowDoesNotAcceptFocus, false);
    }
    activateWindow();
}

void StackWindow::releaseKeyFocus()
{
    if (QWindow* window = windowHandle()) {
        if (!window->flags().testFlag(Qt::WindowDoesNotAcceptFocus))
            window->setFlag(Qt::WindowDoesNotAcceptFocus, true);
    }
}

void StackWindow::refreshBackdrop()
{
    if (!m_environment.platform || m_view->isCompositing())
        return;
    if (const std::optional<quint32> colour =
            m_environment.platform->desktopColour(QRect(pos(), size()))) {
        m_view->setBackdrop(QColor::fromRgba(*colour));
        m_environment.platform->setWindowBackground(windowHandle(), *colour);
    }
}

void StackWindow::setCompositing(bool compositing)
{
    m_view->setCompositing(compositing);
    if (compositing)
        clearMask();
    refreshBackdrop();
}
