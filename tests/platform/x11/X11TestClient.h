#pragma once

#include <QByteArray>
#include <QRect>

class QColor;

struct xcb_connection_t;

// Another X client in the test process, on a connection of its own: it owns the windows and
// grabs that the code under test must tell apart from its own.
class X11TestClient
{
public:
    X11TestClient();
    ~X11TestClient();
    X11TestClient(const X11TestClient&) = delete;
    X11TestClient& operator=(const X11TestClient&) = delete;

    bool isValid() const;

    // Maps a window; `type` is the last part of a _NET_WM_WINDOW_TYPE_… atom, empty for none.
    quint32 createWindow(const QRect& geometry, const QByteArray& type, bool overrideRedirect,
                         const QByteArray& wmClass = QByteArray());
    // Sets the window type of any window, ours included.
    void setWindowType(quint32 window, const QByteArray& type);
    // Publishes a solid background picture on the root, as wallpaper setters do.
    void setWallpaper(const QColor& colour);
    // Grabs Control+Alt+S (no lock keys) on the root, as a program holding the shortcut would.
    bool grabHotKey();
    void sync();

private:
    quint32 atom(const QByteArray& name);

    xcb_connection_t* m_connection;
    quint32 m_root = 0;
    quint32 m_wallpaper = 0;
};
