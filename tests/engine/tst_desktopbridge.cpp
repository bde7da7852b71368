#include "FakeDesktop.h"
#include "TempHome.h"
#include "platform/linux/LocalFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <limits>

namespace {

// A bridge whose program answers from a script, to test the rules the base keeps.
class ScriptedBridge : public DesktopBridge
{
public:
    ScriptedBridge(QString desktopFolder, const FileSystem& fileSystem)
        : DesktopBridge(std::move(desktopFolder), fileSystem)
    {}

    QList<DesktopFile> selection;
    QList<NamedPosition> answer;
    QList<QStringList> asked;
    QList<QList<NamedPosition>> written;

protected:
    BridgeResult<QList<DesktopFile>> readDesktopItems() override { return selection; }
    BridgeResult<QList<DesktopFile>> readSelection() override { return selection; }
    BridgeResult<QList<NamedPosition>> readPositions(const QStringList& names) override
    {
        asked.append(names);
        return answer;
    }
    BridgeResult<void> writePositions(const QList<NamedPosition>& positions) override
    {
        written.append(positions);
        return {};
    }
};

struct Bridge
{
    TempHome home;
    LocalFileSystem files;
    ScriptedBridge bridge{home.desktop(), files};

    QString desktop(const QString& name) const { return home.desktop() + u'/' + name; }
    bool hidden(const QString& path) const { return bridge.isHiddenFile(path); }
};

QString lone()
{
    return QString(QChar(0xD800)) + QStringLiteral("x");
}

} // namespace

class TestDesktopBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyOperationIsOneCallAndNothingAsksNothing();
    void firstAnswerWinsAndOthersAreDropped();
    void selectionKeepsVisibleItemsDirectlyOnTheDesktop();
    void unexpressibleEntriesAreLeftOut();
    void hiddenFilesByDotOrList();
};

void TestDesktopBridge::everyOperationIsOneCallAndNothingAsksNothing()
{
    TempHome home;
    LocalFileSystem files;
    FakeDesktop desktop(home.desktop(), files);
    QVERIFY(desktop.desktopPositions({}).value().isEmpty());
    QVERIFY(desktop.setDesktopPositions({}));
    QVERIFY(desktop.announcePositions({}));
    QVERIFY(desktop.calls().isEmpty());

    QStringList names;
    QList<NamedPosition> positions;
    for (int i = 0; i < 500; ++i) {
        names.append(QStringLiteral("file %1.txt").arg(i));
        positions.append(NamedPosition{names.last(), QPointF(i, i)});
        home.write(QStringLiteral("Desktop/") + names.last());
    }
    QCOMPARE(desktop.desktopPositions(names).value().size(), 500);
    QVERIFY(desktop.setDesktopPositions(positions));
    QVERIFY(desktop.announcePositions(positions));
    QCOMPARE(desktop.desktopItems().value().size(), 500);
    QCOMPARE(desktop.calls().size(), 4);
    QCOMPARE(desktop.callsOf(FakeDesktop::Operation::desktopPositions).first().names, names);
}

void TestDesktopBridge::firstAnswerWinsAndOthersAreDropped()
{
    Bridge b;
    b.bridge.answer = {{QStringLiteral("a"), QPointF(1, 2)},
                       {QStringLiteral("stranger"), QPointF(5, 5)},
                       {QStringLiteral("a"), QPointF(3, 4)},
                       {QStringLiteral("b"), QPointF(6, 7)}};
    const PositionMap positions =
        b.bridge.desktopPositions({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")})
            .value();
    QCOMPARE(positions, (PositionMap{{QStringLiteral("a"), QPointF(1, 2)},
                                     {QStringLiteral("b"), QPointF(6, 7)}}));
    QCOMPARE(b.bridge.asked.size(), 1);
}

void TestDesktopBridge::selectionKeepsVisibleItemsDirectlyOnTheDesktop()
{
    Bridge b;
    TempHome& home = b.home;
    const QString plain = home.write(QStringLiteral("Desktop/plain.txt"));
    const QString dotted = home.write(QStringLiteral("Desktop/.dotted"));
    const QString listed = home.write(QStringLiteral("Desktop/listed.txt"));
    home.write(QStringLiteral("Desktop/.hidden"), "other\nlisted.txt\n");
    const QString nested = home.write(QStringLiteral("Desktop/folder/inner.txt"));
    const QString elsewhere = home.write(QStringLiteral("Documents/doc.txt"));
    // A link on the Desktop is the link; a link elsewhere to a Desktop file is elsewhere.
    const QString linkOnDesktop = b.desktop(QStringLiteral("link-to-doc"));
    QVERIFY(QFile::link(elsewhere, linkOnDesktop));
    const QString linkElsewhere = home.documents() + QStringLiteral("/link-to-plain");
    QVERIFY(QFile::link(plain, linkElsewhere));
    // The Desktop reached through a linked folder is still the Desktop.
    QVERIFY(QFile::link(home.home(), home.documents() + QStringLiteral("/home-link")));
    const QString throughLink = home.documents() + QStringLiteral("/home-link/Desktop/plain.txt");

    for (const QString& path :
         {plain, dotted, listed, nested, elsewhere, linkOnDesktop, linkElsewhere, throughLink})
        b.bridge.selection.append(DesktopFile{path, QPointF(1, 1)});
    QStringList kept;
    for (const DesktopFile& file : b.bridge.selectedFiles().value())
        kept.append(file.path);
    QCOMPARE(kept, (QStringList{plain, linkOnDesktop, throughLink}));
    // All items are reported unfiltered.
    QCOMPARE(b.bridge.desktopItems().value().size(), 8);
}

void TestDesktopBridge::unexpressibleEntriesAreLeftOut()
{
    Bridge b;
    const QStringList bad{QString(),
                          QStringLiteral("."),
                          QStringLiteral(".."),
                          QStringLiteral("a/b"),
                          QStringLiteral("nul") + QChar(0),
                          lone()};
    QVERIFY(b.bridge.desktopPositions(bad).value().isEmpty());
    QVERIFY(b.bridge.asked.isEmpty());
    const QString hostile = QStringLiteral("q\"u\\o\tt\ne .x");
    QVERIFY(b.bridge.desktopPositions(QStringList(bad) << hostile));
    QCOMPARE(b.bridge.asked, (QList<QStringList>{{hostile}}));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QVERIFY(b.bridge.setDesktopPositions({{QStringLiteral("a/b"), QPointF(1, 1)},
                                          {QStringLiteral("nan"), QPointF(nan, 1)},
                                          {QStringLiteral("inf"), QPointF(1, -inf)},
                                          {QStringLiteral("far"), QPointF(1e12, 1)}}));
    QVERIFY(b.bridge.written.isEmpty());
    QVERIFY(b.bridge.setDesktopPositions(
        {{lone(), QPointF(1, 1)}, {QStringLiteral("ok"), QPointF(-5.5, 2147483000)}}));
    QCOMPARE(b.bridge.written,
             (QList<QList<NamedPosition>>{{{QStringLiteral("ok"), QPointF(-5.5, 2147483000)}}}));
}

void TestDesktopBridge::hiddenFilesByDotOrList()
{
    Bridge b;
    const QString a = b.desktop(QStringLiteral("a.txt"));
    const QString c = b.desktop(QStringLiteral("c.txt"));
    const QString documentsA = b.home.documents() + QStringLiteral("/a.txt");
    b.home.write(QStringLiteral("Desktop/.hidden"), "a.txt\nb c.txt");
    QVERIFY(b.hidden(b.desktop(QStringLiteral(".profile"))));
    QVERIFY(b.hidden(a));
    QVERIFY(b.hidden(b.desktop(QStringLiteral("b c.txt"))));
    QVERIFY(!b.hidden(b.desktop(QStringLiteral("a"))));
    QVERIFY(!b.hidden(c));
    // No list, or one that cannot be read: not hidden.
    QVERIFY(!b.hidden(documentsA));
    b.home.makeFolder(QStringLiteral("Documents/odd/.hidden"));
    QVERIFY(!b.hidden(b.home.documents() + QStringLiteral("/odd/a.txt")));

    // Lists kept for one operation read each folder's list once and answer from it after; the
    // next operation reads the list as it is then.
    HiddenLists lists;
    QVERIFY(b.bridge.isHiddenFile(a, lists));
    QVERIFY(!b.bridge.isHiddenFile(documentsA, lists));
    b.home.write(QStringLiteral("Desktop/.hidden"), "c.txt\n");
    b.home.write(QStringLiteral("Documents/.hidden"), "a.txt\n");
    QVERIFY(!b.bridge.isHiddenFile(c, lists));
    QVERIFY(!b.bridge.isHiddenFile(documentsA, lists));
    QVERIFY(b.hidden(c) && !b.hidden(a) && b.hidden(documentsA));

    // The selection reads the lists afresh on every call.
    b.bridge.selection = {DesktopFile{a, std::nullopt}, DesktopFile{c, std::nullopt}};
    QCOMPARE(b.bridge.selectedFiles().value().first().path, a);
    b.home.write(QStringLiteral("Desktop/.hidden"), "a.txt\n");
    QCOMPARE(b.bridge.selectedFiles().value().first().path, c);
}

QTEST_GUILESS_MAIN(TestDesktopBridge)
#include "tst_desktopbridge.moc"
