#include "TempHome.h"
#include "app/SingleInstance.h"

#include <QFileInfo>
#include <QFuture>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

using Outcome = SingleInstance::Outcome;

namespace {

// A later copy starting on a worker thread, while the running copy's events are handled here
// (its start-up blocks, as a new process's would). It must find a copy to hand over to.
QFuture<Outcome> forwardLater(const QString& runtime, const QStringList& urls)
{
    return QtConcurrent::run([runtime, urls] { return SingleInstance(runtime).start(urls); });
}

bool finished(const QFuture<Outcome>& future)
{
    return QTest::qWaitFor([&] { return future.isFinished(); }, 60000);
}

// A socket file nobody listens on, as a copy that was killed leaves it.
bool leaveStaleSocket(const QString& path)
{
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (descriptor < 0 || size_t(name.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const bool bound =
        ::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(descriptor);
    return bound && QFileInfo::exists(path);
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void urlsReachTheCopyListeningOverAStaleSocket();
    void copyThatDoesNotGoKeepsTheNewOneOut();
};

void TestSingleInstance::urlsReachTheCopyListeningOverAStaleSocket()
{
    TempHome home;
    SingleInstance running(home.runtimeFolder());
    QVERIFY(running.socketPath().startsWith(home.runtimeFolder() + QStringLiteral("/tidora-")));
    QVERIFY(leaveStaleSocket(running.socketPath()));
    // With URLs and nobody running, it becomes the running copy and handles them itself.
    QCOMPARE(running.start({QStringLiteral("tidorama://stack-selection")}), Outcome::Listening);
    QSignalSpy received(&running, &SingleInstance::urlsReceived);
    QSignalSpy quit(&running, &SingleInstance::quitRequested);

    const QStringList urls{QStringLiteral("tidorama://stack-selection"),
                           QStringLiteral("tidorama://stack-selection/x?y=\u00e9 \"z\"")};
    const QFuture<Outcome> later = forwardLater(home.runtimeFolder(), urls);
    QVERIFY(finished(later));
    QCOMPARE(later.result(), Outcome::Forwarded);
    // One delivery with both, in order; the running copy goes on.
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toStringList(), urls);
    QCOMPARE(quit.size(), 0);
    running.stopListening();
    QVERIFY(!QFileInfo::exists(running.socketPath()));
}

void TestSingleInstance::copyThatDoesNotGoKeepsTheNewOneOut()
{
    TempHome home;
    SingleInstance running(home.runtimeFolder());
    QCOMPARE(running.start({}), Outcome::Listening);
    QSignalSpy quit(&running, &SingleInstance::quitRequested);

    // Asked to quit, it stays: the new copy gives up rather than run beside it.
    const QString runtime = home.runtimeFolder();
    std::atomic<qint64> blocking = 0;
    const QFuture<Outcome> later = QtConcurrent::run([runtime, &blocking] {
        SingleInstance newer(runtime);
        newer.setGoneTimeout(std::chrono::milliseconds(500));
        const Outcome outcome = newer.start({});
        blocking = newer.blockingProcess();
        return outcome;
    });
    QVERIFY(finished(later));
    QCOMPARE(later.result(), Outcome::Blocked);
    QCOMPARE(quit.size(), 1);
    QCOMPARE(qint64(blocking), QCoreApplication::applicationPid());
    // Nor does a copy with URLs that finds nobody listening.
    running.stopListening();
    const QFuture<Outcome> withUrls = QtConcurrent::run([runtime] {
        SingleInstance newer(runtime);
        newer.setGoneTimeout(std::chrono::milliseconds(500));
        return newer.start({QStringLiteral("tidorama://stack-selection")});
    });
    QVERIFY(finished(withUrls));
    QCOMPARE(withUrls.result(), Outcome::Blocked);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
