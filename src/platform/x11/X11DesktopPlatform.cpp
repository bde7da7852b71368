#include "platform/x11/X11DesktopPlatform.h"

#include "platform/NullDesktopPlatform.h"
#include "platform/x11/X11HotKey.h"
#include "platform/x11/X11PointerMonitor.h"
#include "platform/x11/X11SelectionWatcher.h"
#include "platform/x11/X11Windows.h"
#include "platform/x11/XcbEventConnection.h"
#include "platform/x11/XcbSupport.h"

#include <QGuiApplication>

std::unique_ptr<X11DesktopPlatform> X11DesktopPlatform::create()
{
    xcb_connection_t* qt = Xcb::qtConnection();
    if (!qt)
        return nullptr;
    const quint32 root = Xcb::rootWindow(qt);
    std::unique_ptr<X11DesktopPlatform> platform(new X11DesktopPlatform);
    Server server;
    server.xwayland = Xcb::isXWayland(qt);
    platform->m_hotKey = std::make_unique<X11HotKey>(qt, root);
    connect(platform->m_hotKey.get(), &X11HotKey::pressed, platform.get(),
            &DesktopPlatform::hotKeyPressed);
    platform->m_windows = std::make_unique<X11Windows>(qt, root);

    platform->m_events = XcbEventConnection::open();
    if (platform->m_events) {
        platform->m_pointer = std::make_unique<X11PointerMonitor>(*platform->m_events);
        connect(platform->m_pointer.get(), &X11PointerMonitor::pointerEvent, platform.get(),
                &X11DesktopPlatform::forwardPointerEvent);
        // XInput 2 is only asked about here; events are selected when someone starts them.
        server.xinput2 = platform->m_pointer->isAvailable();
        platform->m_selections = std::make_unique<X11SelectionWatcher>(*platform->m_events);
        connect(platform->m_selections.get(), &X11SelectionWatcher::compositorChanged,
                platform.get(), &DesktopPlatform::compositorChanged);
        // Watched under XWayland too: the compositor is seen there.
        server.selectionsWatched = platform->m_selections->start();
    }
    platform->m_server = server;
    platform->m_features = featuresOn(server);
    return platform;
}

DesktopPlatform::Features X11DesktopPlatform::featuresOn(const Server& server)
{
    // The hot key fires while an X11 window has focus, and the window hints hold under
    // XWayland as well.
    Features features = Feature::HotKey | Feature::WindowHints;
    if (server.xwayland)
        return features;
    features |= Feature::DesktopTest;
    if (server.xinput2)
        features |= Feature::PointerEvents;
    if (server.selectionsWatched)
        features |= Feature::DragSource;
    return features;
}

X11DesktopPlatform::~X11DesktopPlatform() = default;

bool X11DesktopPlatform::registerHotKey()
{
    return m_hotKey && m_hotKey->grab();
}

void X11DesktopPlatform::startPointerEvents()
{
    if (m_features.testFlag(Feature::PointerEvents))
        m_pointer->start();
}

QPoint X11DesktopPlatform::pointerPosition() const
{
    return m_pointer ? m_pointer->position() : QPoint();
}

int X11DesktopPlatform::dragChangeCount() const
{
    return m_selections ? m_selections->dragChangeCount() : 0;
}

QStringList X11DesktopPlatform::dragFiles() const
{
    return m_features.testFlag(Feature::DragSource) ? m_selections->dragFiles() : QStringList();
}

void X11DesktopPlatform::forwardPointerEvent(const PointerEvent& event)
{
    // Raw events report presses on our own windows as well; say which they are.
    PointerEvent told = event;
    if (told.kind == PointerEvent::Kind::Press)
        told.ownWindow = m_windows->isOwnWindowAt(told.position);
    Q_EMIT pointerEvent(told);
}

bool X11DesktopPlatform::isOnDesktop(QPoint point) const
{
    return m_features.testFlag(Feature::DesktopTest) && m_windows->isOnDesktop(point);
}

QString X11DesktopPlatform::desktopWindowClass() const
{
    return m_windows->desktopWindowClass();
}

void X11DesktopPlatform::decorateStackWindow(QWindow* window)
{
    if (window)
        m_windows->decorateStackWindow(window);
}

bool X11DesktopPlatform::hasCompositor() const
{
    return m_server.selectionsWatched && m_selections->hasCompositor();
}

std::optional<quint32> X11DesktopPlatform::desktopColour(QRect area) const
{
    return m_windows->desktopColour(area);
}

void X11DesktopPlatform::setWindowBackground(QWindow* window, quint32 colour)
{
    if (window)
        m_windows->setBackground(window, colour);
}

bool X11DesktopPlatform::isPolling() const
{
    return m_pointer && m_pointer->isPolling();
}

std::unique_ptr<DesktopPlatform> createDesktopPlatform()
{
    const QString name = QGuiApplication::platformName();
    std::unique_ptr<X11DesktopPlatform> x11;
    if (name == QLatin1String("xcb"))
        x11 = X11DesktopPlatform::create();
    if (!x11) {
        NullDesktopPlatform::logAbsence(
            QStringLiteral("the display is not an X11 one (Qt platform \"%1\")").arg(name),
            DesktopPlatform::allFeatures());
        return std::make_unique<NullDesktopPlatform>();
    }
    NullDesktopPlatform::logAbsence(
        x11->server().xwayland
            ? QStringLiteral("this is a Wayland session, where X11 programs don't see the pointer "
                             "over the Desktop")
            : QStringLiteral("the X server lacks an extension we need"),
        DesktopPlatform::allFeatures() & ~x11->features());
    return x11;
}
