#include "platform/linux/AtspiDesktop.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMap>
#include <QMutexLocker>

#include <atomic>

namespace {

const QString accessible = QStringLiteral("org.a11y.atspi.Accessible");
// A program that does not answer within this is treated as not there.
constexpr int callTimeoutMs = 3000;
// The icon view lies about eight levels below the desktop window.
constexpr int searchDepth = 12;

QString connectionName()
{
    static std::atomic<int> counter = 0;
    return QStringLiteral("tidora-atspi-%1").arg(counter++);
}

} // namespace

namespace {

struct Caller
{
    QDBusConnection bus;

    QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& arguments = {}) const
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return bus.call(message, QDBus::Block, callTimeoutMs);
    }

    QVariant property(const QString& service, const QString& path, const QString& interface,
                      const QString& name) const
    {
        const QDBusMessage reply =
            call(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                 QStringLiteral("Get"), {interface, name});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return QVariant();
        return reply.arguments().first().value<QDBusVariant>().variant();
    }

    QString string(const QString& service, const QString& path, const QString& method) const
    {
        const QDBusMessage reply = call(service, path, accessible, method);
        return reply.arguments().isEmpty() ? QString() : reply.arguments().first().toString();
    }

    // The (service, path) pairs of an a(so) or (so) reply.
    static QList<std::pair<QString, QString>> references(const QDBusMessage& reply, bool array)
    {
        QList<std::pair<QString, QString>> found;
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return found;
        const QDBusArgument argument = reply.arguments().first().value<QDBusArgument>();
        const auto one = [&] {
            QString service;
            QDBusObjectPath path;
            argument.beginStructure();
            argument >> service >> path;
            argument.endStructure();
            found.append({service, path.path()});
        };
        if (!array) {
            one();
            return found;
        }
        argument.beginArray();
        while (!argument.atEnd())
            one();
        argument.endArray();
        return found;
    }
};

} // namespace

AtspiDesktop::AtspiDesktop(QString application, bool everyWindowIsDesktop)
    : m_application(std::move(application))
    , m_everyWindowIsDesktop(everyWindowIsDesktop)
    , m_connectionName(connectionName())
{}

AtspiDesktop::~AtspiDesktop()
{
    if (m_connected)
        QDBusConnection::disconnectFromBus(m_connectionName);
}

std::optional<QList<AtspiIcon>> AtspiDesktop::selectedIcons(QString* failure)
{
    const QMutexLocker lock(&m_mutex);
    if (!connect(failure))
        return std::nullopt;
    // The icon view found last time, as long as it still answers; else search again.
    if (m_iconView) {
        if (auto icons = readSelection(*m_iconView, failure))
            return icons;
        m_iconView.reset();
    }
    m_iconView = findIconView(failure);
    if (!m_iconView)
        return std::nullopt;
    return readSelection(*m_iconView, failure);
}

bool AtspiDesktop::connect(QString* failure)
{
    if (m_connected && QDBusConnection(m_connectionName).isConnected())
        return true;
    if (m_connected)
        QDBusConnection::disconnectFromBus(m_connectionName);
    m_connected = false;
    const Caller session{QDBusConnection::sessionBus()};
    const QDBusMessage reply =
        session.call(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                     QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        *failure =
            QStringLiteral("the accessibility bus is not running (%1)").arg(reply.errorMessage());
        return false;
    }
    const QString address = reply.arguments().first().toString();
    const QDBusConnection bus = QDBusConnection::connectToBus(address, m_connectionName);
    m_connected = true;
    if (!bus.isConnected()) {
        *failure = QStringLiteral("the accessibility bus does not answer (%1)")
                       .arg(bus.lastError().message());
        return false;
    }
    return true;
}

std::optional<AtspiDesktop::Node> AtspiDesktop::findIconView(QString* failure)
{
    const Caller bus{QDBusConnection(m_connectionName)};
    const auto applications =
        Caller::references(bus.call(QStringLiteral("org.a11y.atspi.Registry"),
                                    QStringLiteral("/org/a11y/atspi/accessible/root"), accessible,
                                    QStringLiteral("GetChildren")),
                           true);
    bool running = false;
    for (const auto& [service, path] : applications) {
        if (bus.property(service, path, accessible, QStringLiteral("Name")).toString() !=
            m_application)
            continue;
        running = true;
        const auto windows = Caller::references(
            bus.call(service, path, accessible, QStringLiteral("GetChildren")), true);
        for (const auto& window : windows) {
            const QDBusMessage reply =
                bus.call(window.first, window.second, accessible, QStringLiteral("GetAttributes"));
            QMap<QString, QString> attributes;
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
                reply.arguments().first().value<QDBusArgument>() >> attributes;
            if (!m_everyWindowIsDesktop &&
                attributes.value(QStringLiteral("is-desktop")) != QLatin1String("true"))
                continue;
            // Depth first, leaving out menus, for the node that offers a selection of icons.
            QList<std::pair<Node, int>> pending{{Node{window.first, window.second}, 0}};
            while (!pending.isEmpty()) {
                const auto [node, depth] = pending.takeLast();
                const QString role =
                    bus.string(node.service, node.path, QStringLiteral("GetRoleName"));
                if (role == QLatin1String("layered pane")) {
                    const QDBusMessage interfaces = bus.call(node.service, node.path, accessible,
                                                             QStringLiteral("GetInterfaces"));
                    if (!interfaces.arguments().isEmpty() &&
                        interfaces.arguments().first().toStringList().contains(
                            QStringLiteral("org.a11y.atspi.Selection")))
                        return node;
                }
                if (depth >= searchDepth || role.startsWith(QLatin1String("menu")))
                    continue;
                const auto children = Caller::references(
                    bus.call(node.service, node.path, accessible, QStringLiteral("GetChildren")),
                    true);
                for (auto child = children.crbegin(); child != children.crend(); ++child)
                    pending.append({Node{child->first, child->second}, depth + 1});
            }
        }
    }
    *failure =
        running
            ? QStringLiteral("%1 shows no icon view on the accessibility bus").arg(m_application)
            : QStringLiteral("%1 is not on the accessibility bus").arg(m_application);
    return std::nullopt;
}

std::optional<QList<AtspiIcon>> AtspiDesktop::readSelection(const Node& view, QString* failure)
{
    const Caller bus{QDBusConnection(m_connectionName)};
    const QString selection = QStringLiteral("org.a11y.atspi.Selection");
    const QVariant count =
        bus.property(view.service, view.path, selection, QStringLiteral("NSelectedChildren"));
    if (!count.isValid()) {
        *failure = QStringLiteral("%1's icon view does not answer").arg(m_application);
        return std::nullopt;
    }
    QList<AtspiIcon> icons;
    for (int index = 0; index < count.toInt(); ++index) {
        const auto child = Caller::references(bus.call(view.service, view.path, selection,
                                                       QStringLiteral("GetSelectedChild"), {index}),
                                              false);
        if (child.isEmpty())
            continue;
        const auto& [service, path] = child.first();
        AtspiIcon icon{bus.property(service, path, accessible, QStringLiteral("Name")).toString(),
                       std::nullopt};
        const QDBusMessage extents = bus.call(service, path, QStringLiteral("org.a11y.atspi.Image"),
                                              QStringLiteral("GetImageExtents"), {0u});
        if (extents.type() == QDBusMessage::ReplyMessage && !extents.arguments().isEmpty()) {
            int x = 0, y = 0, width = 0, height = 0;
            const QDBusArgument box = extents.arguments().first().value<QDBusArgument>();
            box.beginStructure();
            box >> x >> y >> width >> height;
            box.endStructure();
            if (width > 0 && height > 0)
                icon.image = QRect(x, y, width, height);
        }
        icons.append(icon);
    }
    return icons;
}
