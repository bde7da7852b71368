#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

struct xcb_connection_t;
class QWindow;

// Questions about the top-level windows, and the hints for our stack windows, on Qt's own
// connection (the windows are created there, so requests about them arrive in order).
class X11Windows
{
public:
    X11Windows(xcb_connection_t* connection, quint32 root);

    // The point (Qt's logical coordinates) is on the bare Desktop: the top-level window there is
    // the root itself or a window of type _NET_WM_WINDOW_TYPE_DESKTOP, and none of ours.
    bool isOnDesktop(QPoint point) const;
    // The top-level window at the point is one of ours.
    bool isOwnWindowAt(QPoint point) const;
    // WM_CLASS (the class part) of the first window of type DESKTOP; empty when none.
    QString desktopWindowClass() const;

    void decorateStackWindow(QWindow* window);
    // The average colour of the root's background picture (the pixmap that wallpaper setters
    // and desktop programs publish as _XROOTPMAP_ID) behind the area; nothing without one.
    std::optional<quint32> desktopColour(QRect area) const;
    // The window's background pixel: what the server shows in newly exposed parts of it.
    void setBackground(QWindow* window, quint32 colour);

private:
    // The top-level window at the point (Qt's logical coordinates) and the application window
    // in it: the client inside a window manager's frame, else the top-level itself. Both are 0
    // on the bare root; nothing when the server did not answer.
    struct TopLevel
    {
        quint32 frame = 0;
        quint32 window = 0;
    };
    std::optional<TopLevel> topLevelAt(QPoint point) const;
    bool isOwn(const TopLevel& topLevel) const;
    // The application window inside a window manager's frame: the frame itself when it has
    // WM_STATE, else the first descendant that has it; 0 when none (override-redirect, or no
    // window manager).
    quint32 clientOf(quint32 frame, int depth = 0) const;
    bool isDesktopType(quint32 window) const;
    QList<quint32> ownWindows() const;

    xcb_connection_t* m_connection;
    quint32 m_root;
};
