#include "desktop/DragGestureMonitor.h"

#include "desktop/DesktopLog.h"
#include "desktop/GestureHint.h"
#include "desktop/ScreenCoordinates.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "platform/Settings.h"

#include <QFileInfo>

namespace {
constexpr std::chrono::milliseconds callbackDelay(250);

// A file manager drags the grabbed icon with its name under it around the pointer: Caja's
// label reaches 34 to either side and some 50 below the pointer, and its window stays above
// ours. The hint goes right of the pointer and above the icon (whose 48 pixels lie above the
// pointer at most), or, with no room above, below the name.
constexpr qreal hintRight = 18;
constexpr qreal clearAbove = 56;
constexpr qreal clearBelow = 72;
constexpr qreal hintHeight = 30;

// The hint's lower-left corner (screen coordinates, y upward).
QPointF hintOrigin(const QPointF& pointer, const Screens& screens)
{
    const QPointF above(pointer.x() + hintRight, pointer.y() + clearAbove);
    for (const ScreenGeometry& screen : screens.screens()) {
        const QRectF& frame = screen.frame;
        if (pointer.x() < minX(frame) || pointer.x() > maxX(frame) || pointer.y() < minY(frame) ||
            pointer.y() > maxY(frame))
            continue;
        if (above.y() + hintHeight > maxY(frame))
            return {above.x(), pointer.y() - clearBelow - hintHeight};
        break;
    }
    return above;
}
} // namespace

DragGestureMonitor::DragGestureMonitor(DesktopPlatform& platform, Settings& settings,
                                       Scheduler& scheduler, const FileSystem& files,
                                       const Paths& paths, const Screens& screens,
                                       GestureHint& hint, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
    , m_settings(settings)
    , m_scheduler(scheduler)
    , m_files(files)
    , m_paths(paths)
    , m_screens(screens)
    , m_hint(hint)
{}

void DragGestureMonitor::start()
{
    if (m_started)
        return;
    m_started = true;
    connect(&m_platform, &DesktopPlatform::pointerEvent, this, &DragGestureMonitor::handle);
    m_platform.startPointerEvents();
}

void DragGestureMonitor::handle(const PointerEvent& event)
{
    const QPointF pointer = ScreenCoordinates::fromGlobal(event.position, m_screens);
    const bool shift = event.modifiers.testFlag(Qt::ShiftModifier);
    switch (event.kind) {
    case PointerEvent::Kind::Press:
        if (event.button == Qt::LeftButton)
            press();
        break;
    case PointerEvent::Kind::Drag:
        drag(pointer, shift);
        break;
    case PointerEvent::Kind::ModifiersChanged:
        arm(shift, pointer);
        break;
    case PointerEvent::Kind::Release:
        if (event.button == Qt::LeftButton)
            release(pointer);
        break;
    }
}

void DragGestureMonitor::press()
{
    reset();
    // Read afresh at every press, so the menu's switch takes effect at once.
    if (m_settings.boolValue(SettingsKey::shakeToStackEnabled, true)) {
        m_tracking = true;
        m_dragChangeCount = m_platform.dragChangeCount();
    }
}

void DragGestureMonitor::drag(const QPointF& pointer, bool shift)
{
    if (!m_tracking)
        return;
    if (!m_desktopDrag) {
        // An unchanged drag source means no drag operation began since the press.
        if (m_platform.dragChangeCount() == m_dragChangeCount || !holdsDesktopDrag())
            return;
        m_desktopDrag = true;
    }
    arm(shift, pointer);
    if (m_armed)
        m_hint.moveTo(hintOrigin(pointer, m_screens));
}

void DragGestureMonitor::arm(bool shift, const QPointF& pointer)
{
    if (!m_desktopDrag || shift == m_armed)
        return;
    m_armed = shift;
    if (!shift) {
        m_hint.hide();
        return;
    }
    // Linux has no haptic feedback to give here.
    m_hint.showAt(hintOrigin(pointer, m_screens));
    if (m_draggedFiles.isEmpty() && !m_loadScheduled) {
        // Later, so the event that armed returns at once.
        m_loadScheduled = true;
        m_scheduler.soon(this, [this] {
            m_loadScheduled = false;
            loadDraggedFiles();
        });
    }
}

void DragGestureMonitor::release(const QPointF& pointer)
{
    const bool complete = m_armed && m_tracking;
    const QList<DesktopFile> files = m_draggedFiles;
    reset();
    if (!complete || files.isEmpty())
        return;
    m_scheduler.after(callbackDelay, this, [this, files, pointer] {
        if (m_onGesture)
            m_onGesture(files, pointer);
    });
}

void DragGestureMonitor::reset()
{
    m_tracking = false;
    m_draggedFiles.clear();
    m_desktopDrag = false;
    m_armed = false;
    m_hint.hide();
}

bool DragGestureMonitor::holdsDesktopDrag() const
{
    const QStringList paths = m_platform.dragFiles();
    if (paths.isEmpty() || visibleFiles(paths).isEmpty())
        return false;
    const QString desktop = m_files.resolved(m_paths.desktop());
    // Every file counts, the invisible ones too; a link on the Desktop is judged by where it
    // lies, not by where it points.
    for (const QString& path : paths) {
        if (m_files.resolvedParent(path) != desktop)
            return false;
    }
    return true;
}

bool DragGestureMonitor::isVisible(const QString& path) const
{
    if (QFileInfo(path).fileName().startsWith(QLatin1Char('.')))
        return false;
    return !m_isHidden || !m_isHidden(path);
}

QStringList DragGestureMonitor::visibleFiles(const QStringList& paths) const
{
    QStringList visible;
    for (const QString& path : paths) {
        if (isVisible(path))
            visible.append(path);
    }
    return visible;
}

void DragGestureMonitor::loadDraggedFiles()
{
    if (!m_armed || !m_desktopDrag)
        return;
    const QStringList kept = visibleFiles(m_platform.dragFiles());
    QStringList names;
    for (const QString& path : kept)
        names.append(QFileInfo(path).fileName());
    const BridgeResult<PositionMap> answer =
        m_readPositions ? m_readPositions(names) : BridgeResult<PositionMap>(PositionMap());
    if (!answer) {
        qCWarning(lcDesktop).noquote()
            << QStringLiteral("Tidorama: could not read icon positions: ") +
                   answer.error().description();
        return;
    }
    const PositionMap& positions = answer.value();
    QList<DesktopFile> loaded;
    for (int i = 0; i < kept.size(); ++i) {
        // A file the desktop program does not place is left out.
        if (const auto found = positions.constFind(names.at(i)); found != positions.cend())
            loaded.append({kept.at(i), *found});
    }
    m_draggedFiles = loaded;
}
