#pragma once

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>

struct xcb_connection_t;

// Control+Alt+S for the whole display: a passive key grab on the root window on Qt's own
// connection, caught in Qt's native event stream. Num Lock and Caps Lock change the modifier
// state, so each combination of the two is grabbed as well.
class X11HotKey : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    X11HotKey(xcb_connection_t* connection, quint32 root, QObject* parent = nullptr);
    ~X11HotKey() override;

    // False when another program holds the combination (logged once).
    bool grab();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

Q_SIGNALS:
    void pressed();

private:
    // Returns how many of the grabs another program already held.
    int grabKeys();
    void ungrabKeys();
    bool matches(quint8 keycode, quint16 state) const;

    xcb_connection_t* m_connection;
    quint32 m_root;
    bool m_installed = false;
    bool m_reportedTaken = false;
    QList<quint8> m_keycodes;
    QList<quint16> m_grabbedModifiers;
    quint16 m_wanted = 0;
    quint16 m_ignored = 0;
    // Auto-repeat shows as presses without a release, or (without detectable auto-repeat) as a
    // release and a press at the same moment.
    bool m_down = false;
    quint32 m_releaseTime = 0;
};
