#pragma once

#include "platform/linux/tray/StatusNotifierTypes.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>

#include <memory>

class QImage;
class StatusNotifierAdaptor;

// A tray icon for panels that show StatusNotifierItems: the item is offered to the panel's
// watcher (org.kde.StatusNotifierWatcher) whenever one is on the bus, also one that starts
// after this program, as at login, or that restarts with its panel. Qt offers its own item only
// when a panel was there at the program's start; this one does not depend on that order.
class StatusNotifierItem : public QObject
{
    Q_OBJECT

public:
    StatusNotifierItem(const QDBusConnection& bus, QString id, QObject* parent = nullptr);
    ~StatusNotifierItem() override;
    // The item on the session bus.
    static std::unique_ptr<StatusNotifierItem> onSessionBus(const QString& id);

    // Whether a watcher is on the bus to show the item.
    bool hasWatcher() const { return !m_watcherOwner.isEmpty(); }
    // Offers the item to the watcher, now and whenever one appears; or withdraws it.
    void setShown(bool shown);
    // The bus name the item is offered under.
    QString serviceName() const;
    // A desktop notification (org.freedesktop.Notifications) on the same bus, for what the
    // user must hear while no icon can be seen; nothing where no notification server runs.
    void notify(const QString& summary, const QString& body);

    void setTitle(const QString& title);
    void setToolTip(const QString& text);
    // The images, and a themed icon the panel draws instead when it finds it (in its own
    // colours for a "-symbolic" one); without a name, the images.
    void setIcon(const QImage& image, const QString& name = {});
    // A folder of icon themes where the panel looks for the named icon first.
    void setIconThemePath(const QString& path);

    QString id() const { return m_id; }
    QString title() const { return m_title; }
    QString toolTip() const { return m_toolTip; }
    QString iconName() const { return m_iconName; }
    QString iconThemePath() const { return m_iconThemePath; }
    StatusNotifierPixmaps iconPixmaps() const { return m_pixmaps; }

Q_SIGNALS:
    // A watcher came or went.
    void watcherChanged(bool present);
    // The watcher took the item.
    void registered();
    // The panel asks for the menu: the user clicked the icon.
    void menuRequested();

private:
    void offer();
    void withdraw();
    void watcherAppeared();
    void watcherVanished();

    QDBusConnection m_bus;
    QString m_id;
    QString m_ownName;
    StatusNotifierAdaptor* m_adaptor;
    QDBusServiceWatcher m_watcher;
    bool m_exported = false;
    // The watcher's unique name; empty while there is none.
    QString m_watcherOwner;
    bool m_shown = false;
    bool m_offered = false;
    bool m_ownsName = false;
    QString m_title;
    QString m_toolTip;
    QString m_iconName;
    QString m_iconThemePath;
    StatusNotifierPixmaps m_pixmaps;
};
