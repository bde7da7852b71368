#include "E2eSession.h"
#include "E2eTools.h"
#include "SeenFile.h"
#include "platform/linux/InodeBookmarks.h"
#include "store/StackListCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

using E2eTools::timeoutMs;

// Everything a hostile stacks file is made from: the bait outside the home and in it, and the
// places of the user's own stacks.
struct Scene
{
    QString storage;
    QString bait;
    QString baitFolder;
    QString homeBait;
    QString decoy;
    // The stack folders' records: "Own", gathered, and "Hostile", whose folder holds kept.txt.
    DesktopStack own;
    DesktopStack hostile;

    QByteArray bookmark(const QString& path) const
    {
        return InodeBookmarks({}).make(path).value_or(QByteArray());
    }
    // The identity of one file under the path of another (34 bytes of header, then the path).
    QByteArray identityAt(const QString& identityOf, const QString& path) const
    {
        return bookmark(identityOf).left(34) + QFile::encodeName(path);
    }
    QString hostileFolder() const { return storage + QStringLiteral("/Hostile"); }
    // The stacks file: Own and Hostile, Hostile with one more item.
    QByteArray withItem(const QString& name, const QByteArray& bookmark) const
    {
        DesktopStack stack = hostile;
        stack.items.append(StackItem{QUuid::createUuid(), name, bookmark, QPointF(300, 300)});
        return list({own, stack});
    }
    static QByteArray list(const QList<DesktopStack>& stacks)
    {
        QByteArrayList records;
        for (const DesktopStack& stack : stacks)
            records.append(StackListCodec::encodeStack(stack, nullptr).value_or(QByteArray()));
        return '[' + records.join(',') + ']';
    }
};

using Corpus = QByteArray (*)(const Scene&);

} // namespace

Q_DECLARE_METATYPE(Corpus)

// The built program given hostile stacks files, then used through its tray menu: spread all,
// stack all again, dissolve all. Whatever a file says, files outside the Desktop and the stacks
// folders stay exactly where they are, and every stacked file ends on the Desktop, whole.
class TestHostileStacks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void baitIsNeverTouched_data();
    void baitIsNeverTouched();

private:
    QList<DesktopStack> stacks() const { return m_session->stacks(); }
    TidoraProcess& app() { return m_session->app(); }
    // Chooses the item until `done`: a choice that missed (keys lost while a busy machine maps
    // the menu, an alert holding the menu back) is made again.
    bool runFromTray(const QString& item, const std::function<bool()>& done);
    Scene prepare();

    std::unique_ptr<E2eSession> m_session;
    QTemporaryDir m_outside;
};

void TestHostileStacks::initTestCase()
{
    m_session = std::make_unique<E2eSession>();
    QVERIFY(!m_outside.path().startsWith(m_session->home().home()));
    E2eSession::Options options;
    options.desktopFiles = {QStringLiteral("start.txt")};
    options.caja = true;
    options.launch = false;
    QString error;
    QVERIFY2(m_session->setUp(options, &error), qPrintable(error));
}

bool TestHostileStacks::runFromTray(const QString& item, const std::function<bool()>& done)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        // An alert the last step showed after its files moved takes the click meant for the
        // icon.
        m_session->driver().dismissAlerts();
        if (attempt > 0 && done())
            return true;
        // Keys lost on the way leave nothing to wait for long; alerts meanwhile are answered.
        if (m_session->driver().chooseInTrayMenu(item) &&
            QTest::qWaitFor([&] { return done() || (m_session->driver().dismissAlerts(), false); },
                            timeoutMs / 4))
            return true;
    }
    return done();
}

// A fresh scene in the same home: no stacks file, and two stack folders with a file each.
Scene TestHostileStacks::prepare()
{
    Scene scene;
    TempHome& home = m_session->home();
    scene.storage = home.documents() + QStringLiteral("/.Tidora");
    QDir(scene.storage).removeRecursively();
    QDir(home.dataRoot() + QStringLiteral("/Tidorama")).removeRecursively();
    const QDir desktop(home.desktop());
    for (const QFileInfo& entry : desktop.entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                        QDir::System | QDir::NoDotAndDotDot)) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
    QDir(m_outside.path()).removeRecursively();
    QDir().mkpath(m_outside.filePath(QStringLiteral("sub")));
    scene.baitFolder = m_outside.path();
    scene.bait = m_outside.filePath(QStringLiteral("bait.txt"));
    QFile bait(scene.bait);
    if (bait.open(QIODevice::WriteOnly))
        bait.write("bait outside the home");
    bait.close();
    scene.homeBait = home.write(QStringLiteral("Documents/bait.txt"), "bait in the home");
    scene.decoy = home.write(QStringLiteral("Desktop/decoy.txt"), "the user's own");

    const auto stackOf = [&](const QString& name, const QString& file) {
        const QString path =
            home.write(QStringLiteral("Documents/.Tidora/") + name + QLatin1Char('/') + file,
                       file.toUtf8() + " of " + name.toUtf8());
        return DesktopStack{
            QUuid::createUuid(),
            name,
            name,
            StackState::collapsed,
            QPointF(name == QLatin1String("Own") ? 300 : 600, 400),
            {StackItem{QUuid::createUuid(), file, scene.bookmark(path), QPointF(200, 200)}}};
    };
    scene.own = stackOf(QStringLiteral("Own"), QStringLiteral("own.txt"));
    scene.hostile = stackOf(QStringLiteral("Hostile"), QStringLiteral("kept.txt"));
    return scene;
}

void TestHostileStacks::baitIsNeverTouched_data()
{
    QTest::addColumn<Corpus>("corpus");
    const auto row = [](const char* name, Corpus corpus) { QTest::newRow(name) << corpus; };
    // Items whose bookmark leads out of the places a stack keeps files.
    row("absolute path outside home", [](const Scene& s) -> QByteArray {
        return s.withItem(QStringLiteral("bait.txt"), s.bookmark(s.bait));
    });
    row("path in home outside the places", [](const Scene& s) -> QByteArray {
        return s.withItem(QStringLiteral("bait.txt"), s.bookmark(s.homeBait));
    });
    row("folder outside home", [](const Scene& s) -> QByteArray {
        return s.withItem(QStringLiteral("sub"), s.bookmark(s.baitFolder + QStringLiteral("/sub")));
    });
    row("dot-dot path", [](const Scene& s) -> QByteArray {
        const QString folder = s.hostileFolder();
        return s.withItem(QStringLiteral("bait.txt"),
                          s.identityAt(s.bait, folder + QLatin1Char('/') +
                                                   QDir(folder).relativeFilePath(s.bait)));
    });
    row("dot-dot through a link in the stack folder", [](const Scene& s) -> QByteArray {
        QFile::link(s.baitFolder + QStringLiteral("/sub"),
                    s.hostileFolder() + QStringLiteral("/door"));
        return s.withItem(
            QStringLiteral("bait.txt"),
            s.identityAt(s.bait, s.hostileFolder() + QStringLiteral("/door/../bait.txt")));
    });
    row("link in the stack folder to the bait", [](const Scene& s) -> QByteArray {
        const QString link = s.hostileFolder() + QStringLiteral("/link.txt");
        QFile::link(s.bait, link);
        return s.withItem(QStringLiteral("link.txt"), s.bookmark(link));
    });
    row("stack folder is a link out", [](const Scene& s) -> QByteArray {
        QFile::link(s.baitFolder, s.storage + QStringLiteral("/Elsewhere"));
        DesktopStack linked = s.hostile;
        linked.id = QUuid::createUuid();
        linked.name = QStringLiteral("Elsewhere");
        linked.folderName = linked.name;
        linked.items = {StackItem{QUuid::createUuid(), QStringLiteral("bait.txt"),
                                  s.bookmark(s.storage + QStringLiteral("/Elsewhere/bait.txt")),
                                  QPointF(250, 250)}};
        return Scene::list({s.own, s.hostile, linked});
    });
    row("wrong identity under a Desktop name", [](const Scene& s) -> QByteArray {
        return s.withItem(QStringLiteral("decoy.txt"), s.identityAt(s.bait, s.decoy));
    });
    row("wrong identity under a stack folder name", [](const Scene& s) -> QByteArray {
        return s.withItem(QStringLiteral("gone.txt"),
                          s.identityAt(s.bait, s.hostileFolder() + QStringLiteral("/gone.txt")));
    });
    row("identity outside home found by its folder", [](const Scene& s) -> QByteArray {
        return s.withItem(QStringLiteral("gone.txt"),
                          s.identityAt(s.bait, s.baitFolder + QStringLiteral("/gone.txt")));
    });
    row("spread record of the bait", [](const Scene& s) -> QByteArray {
        DesktopStack spread = s.hostile;
        spread.id = QUuid::createUuid();
        spread.name = QStringLiteral("Spread");
        spread.folderName = QStringLiteral("Spread");
        spread.state = StackState::expanded;
        spread.items.first().bookmark = s.bookmark(s.bait);
        return Scene::list({s.own, s.hostile, spread});
    });
    row("repeated stack id", [](const Scene& s) -> QByteArray {
        DesktopStack twin = s.hostile;
        twin.id = s.own.id;
        twin.items.append(StackItem{QUuid::createUuid(), QStringLiteral("bait.txt"),
                                    s.bookmark(s.bait), QPointF(300, 300)});
        return Scene::list({s.own, twin});
    });
    row("repeated item id", [](const Scene& s) -> QByteArray {
        DesktopStack twin = s.hostile;
        twin.items.first().id = s.own.items.first().id;
        return Scene::list({s.own, twin});
    });
    row("bookmark not of this program", [](const Scene& s) -> QByteArray {
        return s.withItem(QStringLiteral("x"), QFile::encodeName(s.bait));
    });
    // Whole files that are no list (each kind is refused by the reader's own tests): set
    // aside, the stacks come back from their folders.
    row("folder name leading out", [](const Scene& s) -> QByteArray {
        return Scene::list({s.own, s.hostile})
            .replace(QByteArray("\"folderName\":\"Hostile\""),
                     QByteArray("\"folderName\":\"" + QFile::encodeName(s.baitFolder) + '"'));
    });
    row("torn", [](const Scene& s) -> QByteArray {
        const QByteArray whole = Scene::list({s.own, s.hostile});
        return whole.left(whole.size() / 2);
    });
}

void TestHostileStacks::baitIsNeverTouched()
{
    QFETCH(Corpus, corpus);
    TempHome& home = m_session->home();
    const Scene scene = prepare();
    const SeenFile own = SeenFile::of(scene.storage + QStringLiteral("/Own/own.txt"));
    const SeenFile kept = SeenFile::of(scene.hostileFolder() + QStringLiteral("/kept.txt"));
    const QByteArray text = corpus(scene);
    home.write(QStringLiteral(".local/share/Tidorama/stacks.json"), text);
    const QList<SeenFile> baits{SeenFile::of(scene.bait),
                                SeenFile::of(scene.baitFolder + QStringLiteral("/sub")),
                                SeenFile::of(scene.homeBait), SeenFile::of(scene.decoy)};

    QVERIFY2(m_session->launch(), qPrintable(app().output()));
    // Whatever the file said, the user's two stacks are listed, from it or from their folders:
    // the steps below then have something to do.
    const auto listed = [this] {
        QStringList names;
        for (const DesktopStack& stack : stacks())
            names.append(stack.name);
        return names.contains(QStringLiteral("Own")) && names.contains(QStringLiteral("Hostile"));
    };
    QVERIFY2(listed(), qPrintable(app().output()));
    // Every stack, or the user's own two: a record whose folder is a link out stays spread.
    const auto all = [this](StackState state, bool ownOnly = false) {
        return [this, state, ownOnly] {
            const QList<DesktopStack> now = stacks();
            return std::all_of(now.cbegin(), now.cend(), [&](const DesktopStack& stack) {
                return stack.state == state || (ownOnly && stack.name != QLatin1String("Own") &&
                                                stack.name != QLatin1String("Hostile"));
            });
        };
    };
    QVERIFY2(runFromTray(QStringLiteral("Spread All Stacks"), all(StackState::expanded)),
             qPrintable(app().output()));
    QVERIFY2(runFromTray(QStringLiteral("Stack All Again"), all(StackState::collapsed, true)),
             qPrintable(app().output()));
    QVERIFY2(runFromTray(QStringLiteral("Dissolve All Stacks\u2026"),
                         [this] { return stacks().isEmpty(); }),
             qPrintable(app().output()));
    m_session->quit();

    // The bait where it was, the same file with the same bytes; the user's stacked files on
    // the Desktop, whole.
    for (const SeenFile& bait : baits)
        QVERIFY2(SeenFile::of(bait.path) == bait, qPrintable(bait.path));
    for (const SeenFile& stacked : {own, kept}) {
        const SeenFile now =
            SeenFile::of(home.desktop() + QLatin1Char('/') + QFileInfo(stacked.path).fileName());
        QVERIFY2(now.inode == stacked.inode && now.bytes == stacked.bytes,
                 qPrintable(stacked.path));
    }
}

QTEST_GUILESS_MAIN(TestHostileStacks)
#include "tst_hostilestacks.moc"
