#include "platform/linux/KdeGlobalShortcut.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// The actions KDE's shortcut service lists for Tidora; nothing when it knows no Tidora.
QStringList registeredActions()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.kglobalaccel"), QStringLiteral("/component/tidora"),
        QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("shortcutNames"));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0).toStringList()
                                                      : QStringList();
}

} // namespace

// The hot key through KDE's own shortcut service, in the Plasma session scripts/with-plasma.sh
// starts: a press of the key reaches Tidora, and KDE forgets the key again when Tidora lets it
// go, so that it does not go on taking the key for a program that is gone.
class TestKdeShortcut : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theKeyReachesTidoraUntilItLetsGo();
};

void TestKdeShortcut::theKeyReachesTidoraUntilItLetsGo()
{
    QVERIFY(KdeGlobalShortcut::isAvailable());
    auto shortcut = std::make_unique<KdeGlobalShortcut>();
    QVERIFY(shortcut->registerShortcut());
    QCOMPARE(registeredActions(), QStringList{QStringLiteral("stack-selection")});
    QSignalSpy pressed(shortcut.get(), &KdeGlobalShortcut::pressed);
    QVERIFY(QTest::qWaitFor(
        [&] {
            QProcess::execute(QStringLiteral("xdotool"),
                              {QStringLiteral("key"), QStringLiteral("ctrl+alt+s")});
            return pressed.wait(1000);
        },
        20000));
    shortcut.reset();
    QVERIFY(registeredActions().isEmpty());

    // Uninstalling takes away a registration a killed copy left behind.
    KdeGlobalShortcut left;
    QVERIFY(left.registerShortcut());
    KdeGlobalShortcut::unregister();
    QVERIFY(registeredActions().isEmpty());
}

QTEST_GUILESS_MAIN(TestKdeShortcut)
#include "tst_kdeshortcut.moc"
