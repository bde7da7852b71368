#include "platform/linux/tray/StatusNotifierItem.h"

#include "platform/PlatformLog.h"
#include "platform/linux/tray/StatusNotifierAdaptor.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QImage>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString itemPath = QStringLiteral("/StatusNotifierItem");

int itemCount = 0;

} // namespace

StatusNotifierItem::StatusNotifierItem(const QDBusConnection& bus, QString id, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_id(std::move(id))
    // The name the protocol asks items to own; the watcher drops the item when it goes.
    , m_ownName(QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                    .arg(QCoreApplication::applicationPid())
                    .arg(++itemCount))
    , m_adaptor(nullptr)
    , m_watcher(watcherService, m_bus, QDBusServiceWatcher::WatchForOwnerChange)
{
    if (!m_bus.isConnected())
        return;
    registerStatusNotifierTypes();
    m_adaptor = new StatusNotifierAdaptor(this);
    m_exported = m_bus.registerObject(itemPath, this, QDBusConnection::ExportAdaptors);
    if (!m_exported) {
        qCWarning(lcPlatform).noquote()
            << QStringLiteral("Tidorama: could not offer the tray icon on D-Bus: ") +
                   m_bus.lastError().message();
        return;
    }
    // The owner, not registration: a watcher started with --replace takes the name over
    // without it ever being free.
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner == m_watcherOwner)
                    return;
                m_watcherOwner = newOwner;
                if (newOwner.isEmpty())
                    watcherVanished();
                else
                    watcherAppeared();
            });
    m_watcherOwner = m_bus.interface()->serviceOwner(watcherService).value();
}

StatusNotifierItem::~StatusNotifierItem()
{
    withdraw();
    if (m_exported)
        m_bus.unregisterObject(itemPath);
}

QString StatusNotifierItem::serviceName() const
{
    // Without the name of its own (taken by another), the connection's name serves.
    return m_ownsName ? m_ownName : m_bus.baseService();
}

std::unique_ptr<StatusNotifierItem> StatusNotifierItem::onSessionBus(const QString& id)
{
    return std::make_unique<StatusNotifierItem>(QDBusConnection::sessionBus(), id);
}

void StatusNotifierItem::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    if (!shown)
        withdraw();
    else if (hasWatcher())
        offer();
}

void StatusNotifierItem::setTitle(const QString& title)
{
    m_title = title;
    if (m_adaptor)
        Q_EMIT m_adaptor->NewTitle();
}

void StatusNotifierItem::setToolTip(const QString& text)
{
    m_toolTip = text;
    if (m_adaptor)
        Q_EMIT m_adaptor->NewToolTip();
}

void StatusNotifierItem::setIcon(const QImage& image, const QString& name)
{
    m_pixmaps = {StatusNotifierPixmap::fromImage(image)};
    m_iconName = name;
    if (m_adaptor)
        Q_EMIT m_adaptor->NewIcon();
}

void StatusNotifierItem::setIconThemePath(const QString& path)
{
    m_iconThemePath = path;
}

void StatusNotifierItem::offer()
{
    if (!m_exported)
        return;
    if (!m_offered) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> owned =
            m_bus.interface()->registerService(m_ownName);
        m_ownsName =
            owned.isValid() && owned.value() == QDBusConnectionInterface::ServiceRegistered;
        m_offered = true;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        watcherService, watcherPath, watcherService, QStringLiteral("RegisterStatusNotifierItem"));
    call << serviceName();
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* answered) {
                answered->deleteLater();
                const QDBusPendingReply<> reply = *answered;
                if (reply.isError()) {
                    qCWarning(lcPlatform).noquote()
                        << QStringLiteral("Tidorama: the tray panel did not take the icon: ") +
                               reply.error().message();
                    return;
                }
                Q_EMIT registered();
            });
}

void StatusNotifierItem::withdraw()
{
    if (m_ownsName)
        m_bus.interface()->unregisterService(m_ownName);
    m_ownsName = false;
    m_offered = false;
}

void StatusNotifierItem::watcherAppeared()
{
    // A watcher that restarts has forgotten the items: each offers itself again.
    if (m_shown)
        offer();
    Q_EMIT watcherChanged(true);
}

void StatusNotifierItem::watcherVanished()
{
    Q_EMIT watcherChanged(false);
}

void StatusNotifierItem::notify(const QString& summary, const QString& body)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Tidora") << 0u << QStringLiteral("tidora") << summary << body
         << QStringList() << QVariantMap() << -1;
    // Not waited for: the log has said it already.
    m_bus.asyncCall(call);
}
