#pragma once

#include <QFlags>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QWindow;

// One raw mouse or modifier event seen anywhere on the screen, in any program.
struct PointerEvent
{
    enum class Kind {
        Press,
        // The pointer moved while the left button was held.
        Drag,
        Release,
        // Shift, Control or Alt went down or up while the left button was held.
        ModifiersChanged,
    };

    Kind kind = Kind::Press;
    // Press and Release: Qt::LeftButton or Qt::RightButton; Qt::NoButton otherwise.
    Qt::MouseButton button = Qt::NoButton;
    // Qt's global coordinates: logical pixels, origin at the top left of the virtual screen,
    // y downward (what QCursor::pos() gives). The recognisers convert to the lower-left
    // screen coordinates at their boundary.
    QPoint position;
    // Only Shift, Control and Alt are reported.
    Qt::KeyboardModifiers modifiers;
    // Press: it went to one of this program's own windows, which handle it themselves (a
    // monitor of other programs' events would not have seen it).
    bool ownWindow = false;
};

// The desktop integration that only a window system can give: the global shortcut, the global
// mouse, the drag in progress in another program, the Desktop under a point, and the hints that
// keep stack windows just above the Desktop. An implementation lacking a feature says so in
// features() and does nothing for it, so the program runs without it.
class DesktopPlatform : public QObject
{
    Q_OBJECT

public:
    enum class Feature {
        HotKey = 0x1,
        PointerEvents = 0x2,
        DragSource = 0x4,
        DesktopTest = 0x8,
        WindowHints = 0x10,
    };
    Q_DECLARE_FLAGS(Features, Feature)

    using QObject::QObject;

    static Features allFeatures();

    virtual Features features() const = 0;

    // Grabs Control+Alt+S for the whole display; hotKeyPressed() follows on every press. False
    // when another program holds the combination (logged once) or there is no such feature.
    virtual bool registerHotKey() = 0;

    // Starts delivering pointerEvent(). Idempotent.
    virtual void startPointerEvents() = 0;
    // Where the pointer is now, in the coordinates of PointerEvent::position.
    virtual QPoint pointerPosition() const = 0;

    // Counts every change of the drag-and-drop source (a drag started, ended or changed hands):
    // equal counts at two moments mean no drag began in between.
    virtual int dragChangeCount() const = 0;
    // The local files the current drag source offers, in its order (non-file items left out).
    // Empty when no drag offers files.
    virtual QStringList dragFiles() const = 0;

    // True when the top-level window at `point` (coordinates of PointerEvent::position) is the
    // bare Desktop: no window at all, or the window that draws the Desktop icons. Our own
    // windows never are.
    virtual bool isOnDesktop(QPoint point) const = 0;
    // The window class of the program that draws the Desktop; empty when none is running.
    virtual QString desktopWindowClass() const = 0;

    // Keeps a stack window below normal windows, on every workspace, out of the taskbar and the
    // pager. Call it before the first show; calling it on a shown window asks the window
    // manager instead.
    virtual void decorateStackWindow(QWindow* window) = 0;
    // True when a compositing manager runs (translucent windows are possible).
    virtual bool hasCompositor() const = 0;
    // The average colour (0xAARRGGBB) of the Desktop's background picture behind `area`
    // (coordinates of PointerEvent::position), for windows that cannot be translucent; nothing
    // when the picture cannot be read. The default reads nothing.
    virtual std::optional<quint32> desktopColour(QRect area) const;
    // The colour (0xAARRGGBB) the window system fills into pixels a window's grown shape takes
    // in before the window paints them; without it they flash black when nothing composites.
    // The default does nothing.
    virtual void setWindowBackground(QWindow* window, quint32 colour);

    static QString featureNames(Features features);

Q_SIGNALS:
    void hotKeyPressed();
    void pointerEvent(const PointerEvent& event);
    void compositorChanged(bool present);
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DesktopPlatform::Features)

inline DesktopPlatform::Features DesktopPlatform::allFeatures()
{
    return Feature::HotKey | Feature::PointerEvents | Feature::DragSource | Feature::DesktopTest |
           Feature::WindowHints;
}

// The platform of this session: the X11 one when the program runs on X11 and the build has it,
// else one without features. Either way one log line names what is missing. Needs a
// QGuiApplication.
std::unique_ptr<DesktopPlatform> createDesktopPlatform();
