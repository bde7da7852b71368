#include "CajaDesktop.h"
#include "E2eTools.h"
#include "FileInvariant.h"
#include "MemorySettings.h"
#include "TempHome.h"
#include "platform/linux/CajaBackend.h"
#include "platform/linux/LinuxDesktopBridge.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LocalFileSystem.h"
#include "platform/x11/DesktopProbe.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {

using E2eTools::timeoutMs;
using E2eTools::xdotool;

QPointF centre(QPoint stored)
{
    return CajaBackend::centreOf(stored, 48);
}

// Another X session of the same user: an Xvfb of its own with Caja drawing a Desktop there, on
// a session bus and in a home of its own; all of it in one process group, ended together.
class OtherSession
{
public:
    OtherSession()
    {
        m_shell.setChildProcessModifier([] { ::setsid(); });
        m_shell.setStandardOutputFile(QProcess::nullDevice());
        m_shell.setStandardErrorFile(QProcess::nullDevice());
        m_shell.start(
            QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral(
                 "export HOME=\"$1\" XDG_CONFIG_HOME=\"$1/.config\" "
                 "XDG_DATA_HOME=\"$1/.local/share\" "
                 "XDG_CACHE_HOME=\"$1/.cache\" XDG_RUNTIME_DIR=\"$1/run\"; cd \"$1\" && "
                 "mkdir -p Desktop run && chmod 700 run && "
                 "(Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>number &) && "
                 "until [ -s number ]; do sleep 0.1; done && "
                 "DISPLAY=:$(cat number) exec dbus-run-session -- caja -n --force-desktop"),
             QStringLiteral("sh"), m_home.path()});
    }
    ~OtherSession()
    {
        // Caja ends with its display, and the bus with Caja.
        ::kill(-pid_t(m_shell.processId()), SIGTERM);
        m_shell.waitForFinished(timeoutMs);
    }
    OtherSession(const OtherSession&) = delete;
    OtherSession& operator=(const OtherSession&) = delete;

    // Empty when the server did not start.
    QString display() const
    {
        QString number;
        (void)QTest::qWaitFor(
            [&] {
                number =
                    QString::fromLatin1(TempHome::read(m_home.filePath(QStringLiteral("number"))))
                        .trimmed();
                return !number.isEmpty() || m_shell.state() == QProcess::NotRunning;
            },
            timeoutMs);
        return number.isEmpty() ? number : QLatin1Char(':') + number;
    }

private:
    QTemporaryDir m_home;
    QProcess m_shell;
};

} // namespace

// Caja started headless on the test's own Desktop, driven through the bridge and checked
// against what Caja itself stores (gio info) and shows (its icons on the accessibility bus).
class TestCajaBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void readsEveryIconPosition();
    void announcedFileLandsToThePixel();
    void movesAShownIcon();
    void readsBackADraggedIcon();
    void readsAClickSelection();
    void desktopOfAnotherSessionIsNone();

private:
    QString desktopPath(const QString& name) const { return m_home->desktop() + u'/' + name; }

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<FileInvariant> m_invariant;
    std::unique_ptr<LinuxPaths> m_paths;
    LocalFileSystem m_files;
    MemorySettings m_settings;
    std::unique_ptr<CajaDesktop> m_caja;
    std::unique_ptr<LinuxDesktopBridge> m_bridge;
    QStringList m_names;
    QByteArray m_odd;
};

void TestCajaBridge::initTestCase()
{
    // One home for all: GLib reads the home and data folders once per process, so GIO would
    // go on reading the metadata of a first home after it was gone.
    m_home = std::make_unique<TempHome>();
    qputenv("GSETTINGS_BACKEND", "memory");
    m_paths = std::make_unique<LinuxPaths>();
}

void TestCajaBridge::init()
{
    QVERIFY(QDir(m_home->desktop())
                .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System));
    m_invariant = std::make_unique<FileInvariant>(*m_home);
    // Where Caja keeps its icon positions (and the bridge sets them).
    m_invariant->allowPlace(QStringLiteral(".local/share/gvfs-metadata"));
    m_names = {QStringLiteral("plain.txt"),
               QStringLiteral("say \"hi\".txt"),
               QStringLiteral("back\\slash.txt"),
               QStringLiteral("tab\there.txt"),
               QStringLiteral("line\nbreak.txt"),
               QStringLiteral(" leading space"),
               QStringLiteral("\u00fcn\u00efc\u00f8d\u00e9 \u6587\u4ef6.txt")};
    for (const QString& name : std::as_const(m_names))
        m_invariant->addDesktopFile(name);
    // A name that is not UTF-8 and a dot file must not disturb the others.
    m_odd = QFile::encodeName(m_home->desktop()) + "/odd\xff\xfe.txt";
    const int descriptor = ::open(m_odd.constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(descriptor >= 0);
    ::close(descriptor);
    m_home->write(QStringLiteral("Desktop/.dotted"));

    m_bridge = std::make_unique<LinuxDesktopBridge>(
        *m_paths, m_files, m_settings,
        LinuxDesktopBridge::Probes{DesktopProbe::windowClass, DesktopProbe::workArea});
    m_caja = std::make_unique<CajaDesktop>(m_home->desktop());
    QVERIFY2(m_caja->waitUntilReady(m_names), "Caja did not show the Desktop");
    QCOMPARE(m_bridge->program(), DesktopProgram::caja);
}

void TestCajaBridge::cleanup()
{
    m_bridge.reset();
    m_caja.reset();
    ::unlink(m_odd.constData());
    if (m_invariant)
        TIDORA_CHECK_INVARIANT(*m_invariant);
    m_invariant.reset();
    // The next test starts from empty folders.
    for (const QString& folder : {m_home->desktop(), m_home->documents()}) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
    }
    QFile::remove(m_home->runtimeFolder() + QStringLiteral("/tidora/selection"));
}

void TestCajaBridge::readsEveryIconPosition()
{
    const QList<DesktopFile> items = m_bridge->desktopItems().value();
    QCOMPARE(items.size(), m_names.size() + 1);
    for (const QString& name : std::as_const(m_names)) {
        const QString path = desktopPath(name);
        const auto item = std::find_if(items.cbegin(), items.cend(),
                                       [&](const DesktopFile& file) { return file.path == path; });
        QVERIFY2(item != items.cend(), qPrintable(name));
        const std::optional<QPoint> stored = CajaDesktop::storedPoint(path);
        QVERIFY(stored);
        QCOMPARE(item->position, std::optional(centre(*stored)));
        const std::optional<CajaDesktop::Icon> shown = m_caja->icon(name);
        QVERIFY2(shown, qPrintable(name));
        QCOMPARE(item->position, std::optional(shown->centre()));
    }
    const PositionMap positions = m_bridge->desktopPositions(m_names).value();
    QCOMPARE(positions.size(), m_names.size());
    QCOMPARE(positions.value(QStringLiteral("say \"hi\".txt")),
             m_caja->icon(QStringLiteral("say \"hi\".txt"))->centre());
}

void TestCajaBridge::announcedFileLandsToThePixel()
{
    const QList<NamedPosition> arriving{
        {QStringLiteral("incoming \"q\" \\ .txt"), QPointF(703.4, 405.6)},
        {QStringLiteral("second\nline.txt"), QPointF(850, 250)},
        {QStringLiteral("third.txt"), QPointF(1000.5, 600.5)}};
    QStringList stored;
    for (const NamedPosition& entry : arriving)
        stored.append(m_invariant->addFile(QStringLiteral("Documents/") + entry.name));

    QVERIFY(m_bridge->announcePositions(arriving));
    for (qsizetype i = 0; i < arriving.size(); ++i)
        QVERIFY(m_files.move(stored[i], desktopPath(arriving[i].name)));

    for (const NamedPosition& entry : arriving) {
        const QPoint expected = CajaBackend::storedFor(entry.position, 48);
        QVERIFY2(m_caja->waitForIconAt(entry.name, centre(expected)), qPrintable(entry.name));
        QCOMPARE(CajaDesktop::storedPoint(desktopPath(entry.name)), std::optional(expected));
    }
    QCOMPARE(CajaBackend::storedFor(arriving[0].position, 48), QPoint(679, 382));
}

void TestCajaBridge::movesAShownIcon()
{
    const QString name = QStringLiteral("say \"hi\".txt");
    const QPointF target(900, 300);
    QVERIFY(m_bridge->setDesktopPositions({{name, target}, {QStringLiteral("absent"), target}}));
    QVERIFY(m_caja->waitForIconAt(name, target));
    QCOMPARE(CajaDesktop::storedPoint(desktopPath(name)), std::optional(QPoint(876, 276)));
    QCOMPARE(m_bridge->desktopPositions({name}).value().value(name), target);

    // An icon already in place is left alone: the file is not touched again.
    struct stat before;
    QCOMPARE(::lstat(QFile::encodeName(desktopPath(name)).constData(), &before), 0);
    // Until the file system's clock has passed that change time, a touch would not show.
    QVERIFY(QTest::qWaitFor(
        [&] {
            QTemporaryFile later;
            struct stat now;
            return later.open() && ::fstat(later.handle(), &now) == 0 &&
                   std::pair(now.st_ctim.tv_sec, now.st_ctim.tv_nsec) >
                       std::pair(before.st_ctim.tv_sec, before.st_ctim.tv_nsec);
        },
        timeoutMs));
    QVERIFY(m_bridge->setDesktopPositions({{name, target}}));
    struct stat after;
    QCOMPARE(::lstat(QFile::encodeName(desktopPath(name)).constData(), &after), 0);
    QCOMPARE(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
    QCOMPARE(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);

    // Several at once, the hostile names among them.
    QList<NamedPosition> many;
    for (qsizetype i = 0; i < m_names.size(); ++i)
        many.append({m_names[i], QPointF(300 + 110 * i, 600)});
    QVERIFY(m_bridge->setDesktopPositions(many));
    for (const NamedPosition& entry : std::as_const(many))
        QVERIFY2(m_caja->waitForIconAt(entry.name, entry.position), qPrintable(entry.name));
}

void TestCajaBridge::readsBackADraggedIcon()
{
    const QString name = QStringLiteral("plain.txt");
    const CajaDesktop::Icon before = *m_caja->icon(name);
    MetadataWatcher watcher(m_bridge->metadata(), m_home->desktop());
    QVERIFY(watcher.isWatching());
    QSignalSpy changed(&watcher, &MetadataWatcher::changed);

    const QPointF from = before.centre();
    QVERIFY(xdotool(E2eTools::dragBy(from, QPointF(160, 85), 2)));
    QVERIFY(QTest::qWaitFor([&] { return changed.contains({name}); }, timeoutMs));

    // Caja writes the new position before it redraws; wait for the icon to show there.
    QVERIFY(QTest::qWaitFor(
        [&] {
            const std::optional<CajaDesktop::Icon> now = m_caja->icon(name);
            return now && now->image.topLeft() != before.image.topLeft();
        },
        timeoutMs));
    const CajaDesktop::Icon after = *m_caja->icon(name);
    QCOMPARE(m_bridge->desktopPositions({name}).value().value(name), after.centre());
}

void TestCajaBridge::readsAClickSelection()
{
    const QString first = m_names[0];
    const QString second = m_names[4];
    QVERIFY(m_caja->select({first, second}));
    // Meanwhile a file manager's right-click action hands another file over.
    m_home->write(QStringLiteral(".run/tidora/selection"),
                  SelectionHandOver::format({QFile::encodeName(desktopPath(m_names[1]))},
                                            QDateTime::currentMSecsSinceEpoch()));

    // The engine asks from a worker thread.
    const auto selected = [this](SelectionSource source) {
        QList<DesktopFile> files =
            QtConcurrent::run([&] { return m_bridge->selectedFiles(source); }).result().value();
        std::sort(files.begin(), files.end(),
                  [](const DesktopFile& x, const DesktopFile& y) { return x.path < y.path; });
        return files;
    };
    QList<DesktopFile> clicked{{desktopPath(first), m_caja->icon(first)->centre()},
                               {desktopPath(second), m_caja->icon(second)->centre()}};
    std::sort(clicked.begin(), clicked.end(),
              [](const DesktopFile& x, const DesktopFile& y) { return x.path < y.path; });
    // The hot key stacks what is selected on the Desktop.
    QCOMPARE(selected(SelectionSource::desktop), clicked);
    // The right-click stacks what was right-clicked, whatever the Desktop shows selected.
    QCOMPARE(selected(SelectionSource::contextMenu),
             (QList<DesktopFile>{{desktopPath(m_names[1]), m_caja->icon(m_names[1])->centre()}}));
    // Once: the next request finds the Desktop's selection.
    QCOMPARE(selected(SelectionSource::contextMenu), clicked);
}

void TestCajaBridge::desktopOfAnotherSessionIsNone()
{
    // No desktop program draws this display any more; the same user's Caja draws another.
    m_caja.reset();
    QVERIFY(QTest::qWaitFor([] { return DesktopProbe::windowClass().isEmpty(); }, timeoutMs));
    const OtherSession other;
    const ProgramSession there{other.display(), QString(), QString()};
    QVERIFY2(!there.display.isEmpty(), "no second X server");
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     const auto found =
                         DesktopPrograms::findProcess(QStringLiteral("/proc"), ::getuid(), there);
                     return found && found->program == DesktopProgram::caja;
                 },
                 timeoutMs),
             "Caja did not start on the second display");

    // Its icons are not the ones on this screen: nothing is read from it or done to it.
    QCOMPARE(m_bridge->program(), DesktopProgram::none);
    QVERIFY(m_bridge->desktopPositions({m_names[0]}).value().isEmpty());
    QVERIFY(!m_bridge->selectedFiles());
}

QTEST_GUILESS_MAIN(TestCajaBridge)
#include "tst_cajabridge.moc"
