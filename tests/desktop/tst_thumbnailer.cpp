#include "FixedScreens.h"
#include "RecordingWindowHost.h"
#include "ScriptedAlerts.h"
#include "desktop/StackViewModel.h"
#include "desktop/StackWindow.h"
#include "desktop/Thumbnails.h"
#include "platform/linux/FreedesktopThumbnailer.h"
#include "platform/linux/LocalFileSystem.h"
#include "platform/linux/QtScheduler.h"
#include "store/DesktopStack.h"

#include <QApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A session bus of the test's own, so that the thumbnailer it starts writes into the test's
// cache folder.
class PrivateBus
{
public:
    PrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        if (m_daemon.waitForReadyRead(30000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("thumbnails"));
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    QDBusConnection connection() const
    {
        return QDBusConnection::connectToBus(m_address, QStringLiteral("thumbnails"));
    }

private:
    QProcess m_daemon;
    QString m_address;
};

} // namespace

class TestThumbnailer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void aStackShowsWhatTheDesktopsThumbnailerMakes();
    void theCacheKeyIsTheOneGLibSpells();

private:
    QTemporaryDir m_root;
};

void TestThumbnailer::initTestCase()
{
    QVERIFY(m_root.isValid());
    // Before the bus starts: the thumbnailer it starts inherits where the cache is.
    qputenv("XDG_CACHE_HOME", m_root.filePath(QStringLiteral("cache")).toUtf8());
}

void TestThumbnailer::aStackShowsWhatTheDesktopsThumbnailerMakes()
{
    // A page with a red square in its middle, and a few seconds of video.
    const QString pdf = m_root.filePath(QStringLiteral("page.pdf"));
    {
        QPdfWriter writer(pdf);
        QPainter painter(&writer);
        const QRect page = painter.viewport();
        painter.fillRect(page, Qt::red);
    }
    const QString video = m_root.filePath(QStringLiteral("clip.ogv"));
    QCOMPARE(QProcess::execute(QStringLiteral("gst-launch-1.0"),
                               {QStringLiteral("-q"), QStringLiteral("videotestsrc"),
                                QStringLiteral("num-buffers=60"), QStringLiteral("!"),
                                QStringLiteral("video/x-raw,width=320,height=240"),
                                QStringLiteral("!"), QStringLiteral("theoraenc"),
                                QStringLiteral("!"), QStringLiteral("oggmux"), QStringLiteral("!"),
                                QStringLiteral("filesink"), QStringLiteral("location=") + video}),
             0);

    PrivateBus bus;
    QVERIFY(bus.connection().isConnected());
    FreedesktopThumbnailer thumbnailer(bus.connection());
    QtScheduler scheduler;
    FixedScreens screens;
    LocalFileSystem fs;
    ScriptedAlerts alerts;
    RecordingWindowHost::State host;
    DesktopStack stack;
    stack.id = QUuid::createUuid();
    stack.name = QStringLiteral("Media");
    stack.items = {StackItem{QUuid::createUuid(), QStringLiteral("page.pdf"), {}, {}},
                   StackItem{QUuid::createUuid(), QStringLiteral("clip.ogv"), {}, {}}};
    StackWindow window(
        stack.id, std::make_unique<RecordingWindowHost>(host),
        StackWindowEnvironment{scheduler, screens, fs, alerts, nullptr, &thumbnailer});
    window.update(stack, {pdf, video});
    // Until then each shows its icon, which Qt can draw from the file's type alone.
    const QList<QImage> icons = window.model().thumbnails();
    QCOMPARE(icons.size(), 2);

    // The thumbnailer makes both; the first run of its video reader is slow.
    const auto made = [&](int index) {
        const QImage image = window.model().thumbnails().value(index);
        return !image.isNull() && image != icons.at(index);
    };
    QTRY_VERIFY_WITH_TIMEOUT(made(0) && made(1), 60000);
    const QImage page = window.model().thumbnails().at(0);
    QVERIFY(page.height() > page.width());
    const QColor middle = page.pixelColor(page.rect().center());
    QVERIFY2(middle.red() > 200 && middle.green() < 60, qPrintable(middle.name()));
    const QImage frame = window.model().thumbnails().at(1);
    QVERIFY(frame.width() > frame.height());
    QVERIFY(QFileInfo::exists(
        Thumbnails::cachePath(thumbnailer.cacheUri(pdf), Thumbnails::flavourFor(QSize(64, 64)))));
}

void TestThumbnailer::theCacheKeyIsTheOneGLibSpells()
{
    // Names where Qt's own spelling of a URI differs from the one the cache uses.
    const FreedesktopThumbnailer thumbnailer(QDBusConnection(QStringLiteral("none")));
    QCOMPARE(thumbnailer.cacheUri(QStringLiteral("/home/u/Desktop/a [1];b #2 \u00e9.pdf")),
             QByteArray("file:///home/u/Desktop/a%20%5B1%5D%3Bb%20%232%20%C3%A9.pdf"));
}

QTEST_MAIN(TestThumbnailer)
#include "tst_thumbnailer.moc"
