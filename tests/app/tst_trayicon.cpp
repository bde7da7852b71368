#include "VirtualScheduler.h"
#include "app/TrayIcon.h"
#include "operations/UndoState.h"
#include "platform/linux/tray/StatusNotifierItem.h"

#include <QCursor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>

namespace {

// A panel's watcher, as the panel starts it: it records the items offered to it.
class FakeWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

    QStringList items;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { items.append(service); }
    void RegisterStatusNotifierHost(const QString&) {}
};

// A desktop's notification server: it records the summaries it is asked to show.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList summaries;

public Q_SLOTS:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString&,
                const QStringList&, const QVariantMap&, int)
    {
        summaries.append(summary);
        return uint(summaries.size());
    }
};

const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");

} // namespace

// The tray icon in panels that show StatusNotifierItems, on a private session bus: one
// connection is the program, another the panel.
class TestTrayIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void aPanelStartedLaterShowsTheIconAndItsMenu();
    void withoutAnyTrayItSaysSoOnce();

private:
    void startPanel();
    QVariant itemProperty(const QString& service, const QString& name);

    QProcess m_bus;
    QString m_address;
    int m_connections = 0;
    QString m_programName;
    QString m_panelName;
    FakeWatcher m_watcher;
    VirtualScheduler m_scheduler;
};

void TestTrayIcon::initTestCase()
{
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--nofork"),
                 QStringLiteral("--print-address")});
    QVERIFY2(m_bus.waitForStarted(), "dbus-daemon does not start");
    QTRY_VERIFY(m_bus.canReadLine());
    m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
}

void TestTrayIcon::cleanupTestCase()
{
    m_bus.terminate();
    m_bus.waitForFinished();
}

void TestTrayIcon::init()
{
    ++m_connections;
    m_programName = QStringLiteral("program%1").arg(m_connections);
    m_panelName = QStringLiteral("panel%1").arg(m_connections);
    QVERIFY(QDBusConnection::connectToBus(m_address, m_programName).isConnected());
    QDBusConnection panel = QDBusConnection::connectToBus(m_address, m_panelName);
    QVERIFY(panel.registerObject(QStringLiteral("/StatusNotifierWatcher"), &m_watcher,
                                 QDBusConnection::ExportAllSlots |
                                     QDBusConnection::ExportAllProperties));
    m_watcher.items.clear();
}

void TestTrayIcon::cleanup()
{
    QDBusConnection::disconnectFromBus(m_programName);
    QDBusConnection::disconnectFromBus(m_panelName);
    QDBusConnection::disconnectFromBus(m_panelName + QStringLiteral("-new"));
}

void TestTrayIcon::startPanel()
{
    QDBusConnectionInterface* bus = QDBusConnection(m_panelName).interface();
    QCOMPARE(bus->registerService(watcherName, QDBusConnectionInterface::DontQueueService,
                                  QDBusConnectionInterface::AllowReplacement)
                 .value(),
             QDBusConnectionInterface::ServiceRegistered);
}

QVariant TestTrayIcon::itemProperty(const QString& service, const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, QStringLiteral("/StatusNotifierItem"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierItem") << name;
    // Asked without blocking: the program answers on this thread.
    QDBusPendingCall pending = QDBusConnection(m_panelName).asyncCall(get);
    if (!QTest::qWaitFor([&] { return pending.isFinished(); }))
        return {};
    const QDBusMessage reply = pending.reply();
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qWarning() << reply.errorMessage();
        return {};
    }
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

void TestTrayIcon::aPanelStartedLaterShowsTheIconAndItsMenu()
{
    UndoState state(m_scheduler);
    QMenu menu;
    menu.addAction(QStringLiteral("Item"));
    TrayIcon tray(state, &menu,
                  std::make_unique<StatusNotifierItem>(QDBusConnection(m_programName),
                                                       QStringLiteral("tidora")));
    tray.show();
    QVERIFY(tray.isEmbedded());

    // The panel comes after the program, as it may at login: the icon goes to it.
    startPanel();
    QTRY_COMPARE(m_watcher.items.size(), 1);
    QVERIFY(!tray.isEmbedded());
    // It draws the icon's image, not a blank one.
    StatusNotifierPixmaps pixmaps;
    itemProperty(m_watcher.items.first(), QStringLiteral("IconPixmap")).value<QDBusArgument>() >>
        pixmaps;
    QCOMPARE(pixmaps.size(), 1);
    QCOMPARE(pixmaps.first().argb, StatusNotifierPixmap::fromImage(tray.image()).argb);
    // Offered once: the program's messages reach the panel in order, this answer last.
    QCOMPARE(m_watcher.items.size(), 1);

    // Either button opens the menu at the pointer: panels pass where they think the icon is,
    // often nothing useful.
    const QPoint pointer(321, 234);
    QCursor::setPos(pointer);
    for (const QString& method : {QStringLiteral("ContextMenu"), QStringLiteral("Activate")}) {
        QDBusMessage click = QDBusMessage::createMethodCall(
            m_watcher.items.first(), QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.kde.StatusNotifierItem"), method);
        click << 0 << 0;
        QDBusConnection(m_panelName).send(click);
        QTRY_VERIFY(menu.isVisible());
        QCOMPARE(menu.pos(), pointer);
        menu.hide();
    }

    // A new panel takes the watcher's name over (--replace): the icon goes to it too.
    const QString newPanel = m_panelName + QStringLiteral("-new"); // closed by cleanup()
    QDBusConnection replacing = QDBusConnection::connectToBus(m_address, newPanel);
    QVERIFY(replacing.registerObject(QStringLiteral("/StatusNotifierWatcher"), &m_watcher,
                                     QDBusConnection::ExportAllSlots |
                                         QDBusConnection::ExportAllProperties));
    QCOMPARE(replacing.interface()
                 ->registerService(watcherName, QDBusConnectionInterface::ReplaceExistingService)
                 .value(),
             QDBusConnectionInterface::ServiceRegistered);
    QTRY_COMPARE(m_watcher.items.size(), 2);
    QVERIFY(replacing.interface()->unregisterService(watcherName).value());
    QTRY_VERIFY(tray.isEmbedded());
}

void TestTrayIcon::withoutAnyTrayItSaysSoOnce()
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        QSKIP("this display has a tray");
    FakeNotifications server;
    QDBusConnection desktop(m_panelName);
    QVERIFY(desktop.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(desktop.interface()->registerService(QStringLiteral("org.freedesktop.Notifications")));
    UndoState state(m_scheduler);
    QMenu menu;
    TrayIcon tray(state, &menu,
                  std::make_unique<StatusNotifierItem>(QDBusConnection(m_programName),
                                                       QStringLiteral("tidora")));
    tray.setNoTrayGrace(std::chrono::milliseconds(1));
    QTest::ignoreMessage(QtWarningMsg, "Tidorama: no tray to show the icon in");
    tray.show();
    QTRY_COMPARE(server.summaries,
                 QStringList{QStringLiteral("Tidora is running without a tray icon")});
    QVERIFY(
        desktop.interface()->unregisterService(QStringLiteral("org.freedesktop.Notifications")));
}

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
