#include "platform/linux/KdeGlobalShortcut.h"

#include "platform/PlatformLog.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>

namespace {

const QString service = QStringLiteral("org.kde.kglobalaccel");
const QString component = QStringLiteral("tidora");
const QString action = QStringLiteral("stack-selection");
constexpr int answerMs = 2000;
// Qt's key code of Control+Alt+S, as KDE stores keys.
constexpr int controlAltS = 0x04000000 | 0x08000000 | 0x53;
// setShortcut's flags: the key is the one wanted now, not one read back from KDE's file.
constexpr uint setPresent = 2;
constexpr uint noAutoloading = 4;

QDBusMessage call(const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        service, QStringLiteral("/kglobalaccel"), QStringLiteral("org.kde.KGlobalAccel"), method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, answerMs);
}

// The unique and the friendly names of the component and the action, as KDE wants them.
QStringList actionId()
{
    return {component, action, QStringLiteral("Tidora"), QStringLiteral("Stack Selected Files")};
}

} // namespace

KdeGlobalShortcut::~KdeGlobalShortcut()
{
    if (m_registered)
        unregister();
}

bool KdeGlobalShortcut::isAvailable()
{
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
    if (!desktops.contains(QStringLiteral("KDE"), Qt::CaseInsensitive))
        return false;
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    // The service starts on demand where it is not running yet.
    return bus && (bus->isServiceRegistered(service).value() ||
                   bus->activatableServiceNames().value().contains(service));
}

bool KdeGlobalShortcut::registerShortcut()
{
    if (call(QStringLiteral("doRegister"), {actionId()}).type() != QDBusMessage::ReplyMessage)
        return false;
    m_registered = true;
    const QDBusMessage set = call(
        QStringLiteral("setShortcut"),
        {actionId(), QVariant::fromValue(QList<int>{controlAltS}), setPresent | noAutoloading});
    const QList<int> keys = qdbus_cast<QList<int>>(set.arguments().value(0));
    if (set.type() != QDBusMessage::ReplyMessage || !keys.contains(controlAltS)) {
        qCWarning(lcPlatform).noquote()
            << QStringLiteral("Tidorama: KDE gave Control+Alt+S to another action");
        return false;
    }
    const QDBusMessage path = call(QStringLiteral("getComponent"), {component});
    const QString object = path.arguments().value(0).value<QDBusObjectPath>().path();
    return !object.isEmpty() &&
           QDBusConnection::sessionBus().connect(service, object,
                                                 QStringLiteral("org.kde.kglobalaccel.Component"),
                                                 QStringLiteral("globalShortcutPressed"), this,
                                                 SLOT(onPressed(QString, QString, qlonglong)));
}

void KdeGlobalShortcut::unregister()
{
    (void)call(QStringLiteral("unregister"), {component, action});
}

void KdeGlobalShortcut::onPressed(const QString& pressedComponent, const QString& pressedAction,
                                  qlonglong)
{
    if (pressedComponent == component && pressedAction == action)
        Q_EMIT pressed();
}
