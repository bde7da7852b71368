#pragma once

#include <QObject>
#include <QStringList>

class XcbEventConnection;

// Watches two X selections through XFixes: the drag-and-drop source ("XdndSelection"), whose
// every change of owner is counted and whose file list is fetched at once, and the
// compositing manager's ("_NET_WM_CM_Sn").
//
// The file list is asked for the moment a new owner appears, with that owner's own timestamp,
// and kept: Qt's drag sources answer only that first request, and GTK's drop the selection when
// the drag ends.
class X11SelectionWatcher : public QObject
{
    Q_OBJECT

public:
    X11SelectionWatcher(XcbEventConnection& connection, QObject* parent = nullptr);
    ~X11SelectionWatcher() override;

    // False when the server lacks XFixes.
    bool start();

    int dragChangeCount() const { return m_changeCount; }
    QStringList dragFiles() const { return m_files; }
    bool hasCompositor() const { return m_compositor; }

Q_SIGNALS:
    void compositorChanged(bool present);
    // The file list of the current drag arrived.
    void dragFilesChanged();

private:
    void handle(const void* event);
    void ownerChanged(quint32 selection, quint32 owner, quint32 timestamp);
    void converted(quint32 property, quint32 time);
    void incrementArrived();
    void finish(const QByteArray& list);

    XcbEventConnection& m_connection;
    quint32 m_window = 0;
    quint8 m_fixesEvent = 0;
    quint32 m_dnd = 0;
    quint32 m_compositorSelection = 0;
    quint32 m_uriList = 0;
    quint32 m_incr = 0;
    quint32 m_target = 0;

    int m_changeCount = 0;
    QStringList m_files;
    // A conversion is in flight, asked with this owner timestamp.
    bool m_pending = false;
    quint32 m_pendingTime = 0;
    bool m_receivingIncrement = false;
    QByteArray m_increment;
    bool m_compositor = false;
};
