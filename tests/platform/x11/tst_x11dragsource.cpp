#include "X11TestTools.h"

#include "platform/x11/X11DesktopPlatform.h"
#include <QFile>
#include <QTemporaryDir>

#include <QApplication>

#include <memory>

using namespace X11TestTools;

class TestX11DragSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void theDragSourceOffersTheFilesOfARealDrag();

private:
    std::unique_ptr<X11DesktopPlatform> m_platform;
};

void TestX11DragSource::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    m_platform = X11DesktopPlatform::create();
    QVERIFY(m_platform);
    QCOMPARE(m_platform->features(), DesktopPlatform::allFeatures());
}

void TestX11DragSource::theDragSourceOffersTheFilesOfARealDrag()
{
    // The pointer must enter the source's window from outside for Qt to take the press there.
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("1270"), QStringLiteral("790")}));
    QTemporaryDir folder;
    const QStringList files{folder.filePath(QStringLiteral("a b.txt")),
                            folder.filePath(QString::fromUtf8("\xc3\xbc \"quoted\".pdf"))};
    for (const QString& file : files) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QProcess source;
    const QString window = startDragSource(source, 300, 200, files);
    QVERIFY(!window.isEmpty());

    for (int round = 0; round < 2; ++round) {
        const int before = m_platform->dragChangeCount();
        QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                         QStringLiteral("100"), QStringLiteral("100")}));
        QVERIFY(!waitForLine(source, {"entered"}).isEmpty());
        QVERIFY(xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}));
        QCOMPARE(m_platform->dragChangeCount(), before);
        // Step by step, each step seen, until the drag begins where Qt took the press; else
        // the source is told to begin it.
        QByteArray said;
        for (int step = 0; step < 6 && said != "dragging"; ++step) {
            QVERIFY(xdotool(
                {QStringLiteral("mousemove_relative"), QStringLiteral("8"), QStringLiteral("6")}));
            said = waitForLine(source, {"moved", "dragging"}, 2000);
        }
        if (said != "dragging") {
            source.write("drag\n");
            QVERIFY(!waitForLine(source, {"dragging"}).isEmpty());
        }
        QTRY_VERIFY(m_platform->dragChangeCount() > before);
        QTRY_COMPARE(m_platform->dragFiles(), files);
        QVERIFY(
            xdotool({QStringLiteral("mousemove"), QStringLiteral("900"), QStringLiteral("600")}));
        QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
        QVERIFY(!waitForLine(source, {"dropped"}).isEmpty());
    }
    source.kill();
    source.waitForFinished();
}

QTEST_MAIN(TestX11DragSource)
#include "tst_x11dragsource.moc"
