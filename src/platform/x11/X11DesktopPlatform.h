#pragma once

#include "platform/DesktopPlatform.h"

#include <memory>

class X11HotKey;
class X11PointerMonitor;
class X11SelectionWatcher;
class X11Windows;
class XcbEventConnection;

// The desktop platform on an X11 display. Requests about windows go over Qt's connection;
// the events we select on the root and on selections come over a connection of our own.
class X11DesktopPlatform : public DesktopPlatform
{
    Q_OBJECT

public:
    // Null when Qt does not run on X11.
    static std::unique_ptr<X11DesktopPlatform> create();

    // What the X server gives.
    struct Server
    {
        // XWayland, the X server of a Wayland session: its pointer and its window tree end
        // at the X11 windows, so the pointer over the Desktop, the drag of a Desktop icon and
        // the Desktop under a point are never seen there.
        bool xwayland = false;
        bool xinput2 = false;
        bool selectionsWatched = false;
    };
    // The features that give right answers on that server; the rest are not offered.
    static Features featuresOn(const Server& server);
    const Server& server() const { return m_server; }
    ~X11DesktopPlatform() override;

    Features features() const override { return m_features; }
    bool registerHotKey() override;
    void startPointerEvents() override;
    QPoint pointerPosition() const override;
    int dragChangeCount() const override;
    QStringList dragFiles() const override;
    bool isOnDesktop(QPoint point) const override;
    QString desktopWindowClass() const override;
    void decorateStackWindow(QWindow* window) override;
    bool hasCompositor() const override;
    std::optional<quint32> desktopColour(QRect area) const override;
    void setWindowBackground(QWindow* window, quint32 colour) override;

    // Whether the pointer is being polled (only while the left button is held).
    bool isPolling() const;

private:
    X11DesktopPlatform() = default;
    void forwardPointerEvent(const PointerEvent& event);

    Server m_server;
    Features m_features;
    std::unique_ptr<XcbEventConnection> m_events;
    std::unique_ptr<X11HotKey> m_hotKey;
    std::unique_ptr<X11PointerMonitor> m_pointer;
    std::unique_ptr<X11SelectionWatcher> m_selections;
    std::unique_ptr<X11Windows> m_windows;
    bool m_pointerStarted = false;
};
