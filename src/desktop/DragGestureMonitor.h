#pragma once

#include "engine/BridgeResult.h"
#include "engine/DesktopFile.h"
#include "engine/NamedPosition.h"
#include "platform/DesktopPlatform.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QStringList>

#include <functional>

class FileSystem;
class GestureHint;
class Paths;
class Scheduler;
class Screens;
class Settings;

// Shift-drag to stack: while Desktop icons are dragged in the desktop program, holding Shift
// arms the gesture and shows a hint at the pointer; releasing the button while still armed
// hands the dragged files and the release point to onGesture. Fed by the platform's raw
// pointer events; the drag itself is recognised from the drag source's files.
class DragGestureMonitor : public QObject
{
    Q_OBJECT

public:
    // Receives the files in the drag source's order and the release point in screen
    // coordinates (lower-left origin).
    using GestureCallback = std::function<void(const QList<DesktopFile>&, const QPointF&)>;
    // The desktop bridge's desktopPositions.
    using PositionReader = std::function<BridgeResult<PositionMap>(const QStringList& names)>;
    // Whether the file is hidden beyond its leading dot, which is checked here (the desktop
    // bridge's isHiddenFile).
    using HiddenTest = std::function<bool(const QString& path)>;

    DragGestureMonitor(DesktopPlatform& platform, Settings& settings, Scheduler& scheduler,
                       const FileSystem& files, const Paths& paths, const Screens& screens,
                       GestureHint& hint, QObject* parent = nullptr);

    void setOnGesture(GestureCallback callback) { m_onGesture = std::move(callback); }
    void setPositionReader(PositionReader reader) { m_readPositions = std::move(reader); }
    void setHiddenTest(HiddenTest test) { m_isHidden = std::move(test); }

    // Starts listening to the platform's pointer events.
    void start();
    void handle(const PointerEvent& event);

    bool isTracking() const { return m_tracking; }
    bool isDesktopDrag() const { return m_desktopDrag; }
    bool isArmed() const { return m_armed; }
    const QList<DesktopFile>& draggedFiles() const { return m_draggedFiles; }

private:
    void press();
    void drag(const QPointF& pointer, bool shift);
    void arm(bool shift, const QPointF& pointer);
    void release(const QPointF& pointer);
    void reset();
    bool holdsDesktopDrag() const;
    QStringList visibleFiles(const QStringList& paths) const;
    bool isVisible(const QString& path) const;
    void loadDraggedFiles();

    DesktopPlatform& m_platform;
    Settings& m_settings;
    Scheduler& m_scheduler;
    const FileSystem& m_files;
    const Paths& m_paths;
    const Screens& m_screens;
    GestureHint& m_hint;
    GestureCallback m_onGesture;
    PositionReader m_readPositions;
    HiddenTest m_isHidden;
    bool m_started = false;

    bool m_tracking = false;
    int m_dragChangeCount = 0;
    QList<DesktopFile> m_draggedFiles;
    bool m_desktopDrag = false;
    bool m_armed = false;
    // A load is scheduled and has not run: arming again must not schedule a second one.
    bool m_loadScheduled = false;
};
