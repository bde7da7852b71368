#include "SeenFile.h"
#include "TestServices.h"
#include "engine/StackManager.h"
#include "engine/StackWindows.h"
#include "operations/BinMover.h"
#include "operations/Dissolver.h"
#include "operations/FolderConversion.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A bookmark's bytes with another recorded path: the identity of one file, the path of another,
// as a hand-edited stacks file can hold them (34 bytes of header, then the path).
QByteArray withPath(const QByteArray& bookmark, const QString& path)
{
    return bookmark.left(34) + QFile::encodeName(path);
}

// A home with one stack of the user's own ("Own", gathered), a stacks file that adds a record
// of hostile items, and bait files outside HOME, in HOME outside the Desktop and the storage
// folders, and on the Desktop under a name a hostile item records.
struct Rig
{
    TestServices t;
    QTemporaryDir outside;
    QString bait;
    QString homeBait;
    QString decoy;
    DesktopStack own;

    Rig()
    {
        bait = outside.filePath(u"bait.txt"_s);
        QFile file(bait);
        (void)file.open(QIODevice::WriteOnly);
        file.write("bait outside home");
        file.close();
        QDir().mkdir(outside.filePath(u"sub"_s));
        homeBait = t.home.write(u"Documents/bait.txt"_s, "bait in home");
        decoy = t.home.write(u"Desktop/decoy.txt"_s, "the user's own");
        t.invariant.takeSnapshot();
        t.invariant.track(decoy);
        t.invariant.addDesktopFile(u"own.txt"_s);
        own = t.stack({u"own.txt"_s}, u"Own"_s).value();
    }

    QString storage() const { return t.storageFolder(); }
    QByteArray bookmarkOf(const QString& path) { return t.bookmarks().make(path).value(); }

    // The record of the hostile items, in a folder of its own, with one file of the user's.
    DesktopStack hostile()
    {
        const QString folder = storage() + u"/Hostile"_s;
        QDir().mkpath(folder);
        const QString kept =
            t.invariant.addFile(QDir(t.home.home()).relativeFilePath(folder + u"/kept.txt"_s));
        return DesktopStack{
            QUuid::createUuid(),
            u"Hostile"_s,
            u"Hostile"_s,
            StackState::collapsed,
            QPointF(400, 300),
            {StackItem{QUuid::createUuid(), u"kept.txt"_s, bookmarkOf(kept), QPointF(10, 10)}}};
    }
    static void add(DesktopStack& stack, const QString& name, const QByteArray& bookmark)
    {
        stack.items.append(StackItem{QUuid::createUuid(), name, bookmark, QPointF(20, 20)});
    }
    // The hostile record with one more item.
    DesktopStack hostileWith(const QString& name, const QByteArray& bookmark)
    {
        DesktopStack stack = hostile();
        add(stack, name, bookmark);
        return stack;
    }
};

// Adds the hostile records to the user's.
using Make = void (*)(Rig&, QList<DesktopStack>&);

} // namespace

Q_DECLARE_METATYPE(Make)

// Whatever the stacks file names, an operation moves, trashes or shows only files that lie
// where a stack keeps them; the rest are left exactly where they are.
class TestTrustBoundary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostileItemsAreLeftAlone_data();
    void hostileItemsAreLeftAlone();
};

void TestTrustBoundary::hostileItemsAreLeftAlone_data()
{
    QTest::addColumn<Make>("make");
    QTest::addColumn<QString>("operation");
    // Whether the launch report names the item (its bookmark leads to a file outside).
    QTest::addColumn<bool>("named");
    const QList<std::tuple<const char*, bool, Make>> kinds = {
        {"outside home", true,
         [](Rig& r, QList<DesktopStack>& stacks) {
             stacks.append(r.hostileWith(u"bait.txt"_s, r.bookmarkOf(r.bait)));
         }},
        {"in home outside the places", true,
         [](Rig& r, QList<DesktopStack>& stacks) {
             stacks.append(r.hostileWith(u"bait.txt"_s, r.bookmarkOf(r.homeBait)));
         }},
        {"dot-dot path", false,
         [](Rig& r, QList<DesktopStack>& stacks) {
             const QString folder = r.storage() + u"/Hostile"_s;
             stacks.append(r.hostileWith(
                 u"bait.txt"_s,
                 withPath(r.bookmarkOf(r.bait),
                          folder + QLatin1Char('/') + QDir(folder).relativeFilePath(r.bait))));
         }},
        // Read as text, "door/.." is the stack folder; the system takes it to the link's
        // target's parent, where the bait lies.
        {"dot-dot through a link", false,
         [](Rig& r, QList<DesktopStack>& stacks) {
             DesktopStack stack = r.hostile();
             const QString folder = r.t.stackFolder(stack);
             QFile::link(r.outside.filePath(u"sub"_s), folder + u"/door"_s);
             Rig::add(stack, u"bait.txt"_s,
                      withPath(r.bookmarkOf(r.bait), folder + u"/door/../bait.txt"_s));
             stacks.append(stack);
         }},
        // The link is the item: moving it leaves what it points to alone.
        {"link in the stack folder", false,
         [](Rig& r, QList<DesktopStack>& stacks) {
             DesktopStack stack = r.hostile();
             const QString link = r.t.stackFolder(stack) + u"/link.txt"_s;
             QFile::link(r.bait, link);
             Rig::add(stack, u"link.txt"_s, r.bookmarkOf(link));
             stacks.append(stack);
         }},
        {"stack folder is a link", true,
         [](Rig& r, QList<DesktopStack>& stacks) {
             DesktopStack stack = r.hostile();
             QFile::link(r.outside.path(), r.storage() + u"/Elsewhere"_s);
             DesktopStack linked = stack;
             linked.id = QUuid::createUuid();
             linked.folderName = u"Elsewhere"_s;
             linked.items.clear();
             Rig::add(linked, u"bait.txt"_s, r.bookmarkOf(r.storage() + u"/Elsewhere/bait.txt"_s));
             stacks << stack << linked;
         }},
        // A spread stack whose folder's name is a link out: gathering must not carry the
        // user's file through it.
        {"gathering through a link", false,
         [](Rig& r, QList<DesktopStack>& stacks) {
             QFile::link(r.outside.path(), r.storage() + u"/Elsewhere"_s);
             const QString mine = r.t.addDesktopFile(u"mine.txt"_s);
             DesktopStack stack{QUuid::createUuid(),  u"Elsewhere"_s,    u"Elsewhere"_s,
                                StackState::expanded, QPointF(500, 300), {}};
             Rig::add(stack, u"mine.txt"_s, r.bookmarkOf(mine));
             stacks.append(stack);
         }},
        // The bait's identity under the name of a file of the user's on the Desktop.
        {"wrong identity on the Desktop", false,
         [](Rig& r, QList<DesktopStack>& stacks) {
             stacks.append(r.hostileWith(u"decoy.txt"_s, withPath(r.bookmarkOf(r.bait), r.decoy)));
             stacks.last().state = StackState::expanded;
         }},
        // The bait's identity, recorded in the bait's folder under another name: found again by
        // identity there.
        {"identity outside home", true,
         [](Rig& r, QList<DesktopStack>& stacks) {
             stacks.append(r.hostileWith(
                 u"gone.txt"_s, withPath(r.bookmarkOf(r.bait), r.outside.filePath(u"gone.txt"_s))));
         }},
        // The same id as the user's stack, and an item id twice.
        {"repeated ids", true,
         [](Rig& r, QList<DesktopStack>& stacks) {
             DesktopStack stack = r.hostileWith(u"bait.txt"_s, r.bookmarkOf(r.bait));
             stack.id = r.own.id;
             stack.items.last().id = r.own.items.first().id;
             stacks.append(stack);
         }},
    };
    for (const auto& [kind, named, make] : kinds) {
        for (const char* operation :
             {"launch", "spread", "restack", "dissolve", "convert", "undo", "bin", "relocate"})
            QTest::addRow("%s, %s", kind, operation)
                << make << QString::fromLatin1(operation) << named;
    }
}

void TestTrustBoundary::hostileItemsAreLeftAlone()
{
    QFETCH(Make, make);
    QFETCH(QString, operation);
    QFETCH(bool, named);
    Rig r;
    TestServices& t = r.t;
    t.invariant.allowTrash();
    QList<DesktopStack> stacks = t.manager().stacks();
    make(r, stacks);
    QVERIFY(StackListFile(t.paths, t.fs).saveStackList(stacks));
    t.invariant.takeSnapshot();
    const SeenFile bait = SeenFile::of(r.bait);
    const SeenFile homeBait = SeenFile::of(r.homeBait);
    const SeenFile decoy = SeenFile::of(r.decoy);

    StackManager& manager = t.relaunch();
    t.scheduler.runUntilIdle();
    if (operation == QLatin1String("launch")) {
        // One window per record, none showing the bait, and the report names what it left.
        QCOMPARE(manager.windows().windowIDs().size(), manager.stacks().size());
        QCOMPARE(manager.stacks().size(), stacks.size());
        for (const DesktopStack& stack : manager.stacks()) {
            for (const QString& file : t.windows.window(stack.id)->files)
                QVERIFY2(!file.endsWith(u"bait.txt"_s), qPrintable(file));
        }
        const bool reported = t.alerts.messages().join(QString()).contains(
            u"left alone files that its list names outside"_s);
        QCOMPARE(reported, named);
    }

    QList<QUuid> ids;
    for (const DesktopStack& stack : manager.stacks())
        ids.append(stack.id);
    t.alerts.answerAll([](const Alert& alert) {
        return ScriptedAlerts::Reply{alert.buttons.value(alert.buttons.size() > 1 ? 1 : 0)};
    });
    if (operation == QLatin1String("spread") || operation == QLatin1String("restack")) {
        for (const QUuid& id : ids)
            manager.spread(id, false);
        t.scheduler.runUntilIdle();
        if (operation == QLatin1String("restack")) {
            for (const QUuid& id : ids)
                manager.restack(id, false);
        }
    } else if (operation == QLatin1String("dissolve")) {
        for (const QUuid& id : ids)
            manager.operations().dissolver.dissolveFromMenu(id);
    } else if (operation == QLatin1String("convert") || operation == QLatin1String("undo")) {
        manager.operations().conversion.convertStacks(ids);
        t.scheduler.runUntilIdle();
        if (operation == QLatin1String("undo"))
            manager.undoLastConversion();
    } else if (operation == QLatin1String("bin")) {
        t.alerts.answer(u"Move to Bin"_s);
        manager.operations().binMover.moveStacksToBin(ids);
    } else if (operation == QLatin1String("relocate")) {
        t.alerts.answer(u"Move"_s);
        QVERIFY(manager.changeStorageLocation(StorageLocation::desktop));
    }
    t.scheduler.runUntilIdle();

    QVERIFY(SeenFile::of(r.bait) == bait);
    QVERIFY(SeenFile::of(r.homeBait) == homeBait);
    QVERIFY(SeenFile::of(r.decoy) == decoy);
    TIDORA_CHECK_INVARIANT(t.invariant);
}

QTEST_GUILESS_MAIN(TestTrustBoundary)
#include "tst_trustboundary.moc"
