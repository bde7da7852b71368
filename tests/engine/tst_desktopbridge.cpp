#include "FakeDesktop.h"
#include "TempHome.h"
#include "platform/linux/LocalFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cmath>
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

QString lone()
{
    return QString(QChar(0xD800)) + QStringLiteral("x");
}

} // namespace

class TestDesktopBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nothingToAskSendsNothing();
    void everyOperationIsOneCall();
    void firstAnswerWinsAndOthersAreDropped();
    void selectionKeepsVisibleItemsDirectlyOnTheDesktop();
    void unexpressibleEntriesAreLeftOut();
    void hiddenFilesByDotOrList();
};

void TestDesktopBridge::nothingToAskSendsNothing()
{
    TempHome home;
    LocalFileSystem files;
    FakeDesktop desktop(home.desktop(), files);
    const BridgeResult<PositionMap> none = desktop.desktopPositions({});
    QVERIFY(none);
    QVERIFY(none.value().isEmpty());
    QVERIFY(desktop.setDesktopPositions({}));
    QVERIFY(desktop.announcePositions({}));
    QVERIFY(desktop.calls().isEmpty());
}

void TestDesktopBridge::everyOperationIsOneCall()
{
    TempHome home;
    LocalFileSystem files;
    FakeDesktop desktop(home.desktop(), files);
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
    QVERIFY(desktop.selectedFiles());
    QCOMPARE(desktop.calls().size(), 5);
    QCOMPARE(desktop.callsOf(FakeDesktop::Operation::desktopPositions).first().names, names);
    QVERIFY(desktop.callsOf(FakeDesktop::Operation::setDesktopPositions)
                .first()
                .script()
                .contains(QStringLiteral("\"file 499.txt\" of desktop to {499, 499}")));
}

void TestDesktopBridge::firstAnswerWinsAndOthersAreDropped()
{
    TempHome home;
    LocalFileSystem files;
    ScriptedBridge bridge(home.desktop(), files);
    bridge.answer = {{QStringLiteral("a"), QPointF(1, 2)},
                     {QStringLiteral("stranger"), QPointF(5, 5)},
                     {QStringLiteral("a"), QPointF(3, 4)},
                     {QStringLiteral("b"), QPointF(6, 7)}};
    const PositionMap positions =
        bridge.desktopPositions({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")})
            .value();
    QCOMPARE(positions, (PositionMap{{QStringLiteral("a"), QPointF(1, 2)},
                                     {QStringLiteral("b"), QPointF(6, 7)}}));
    QCOMPARE(bridge.asked.size(), 1);
}

void TestDesktopBridge::selectionKeepsVisibleItemsDirectlyOnTheDesktop()
{
    TempHome home;
    LocalFileSystem files;
    const QString desktop = home.desktop();
    const QString plain = home.write(QStringLiteral("Desktop/plain.txt"));
    const QString dotted = home.write(QStringLiteral("Desktop/.dotted"));
    const QString listed = home.write(QStringLiteral("Desktop/listed.txt"));
    home.write(QStringLiteral("Desktop/.hidden"), "other\nlisted.txt\n");
    const QString nested = home.write(QStringLiteral("Desktop/folder/inner.txt"));
    const QString elsewhere = home.write(QStringLiteral("Documents/doc.txt"));
    // A link on the Desktop is the link; a link elsewhere to a Desktop file is elsewhere.
    const QString linkOnDesktop = desktop + QStringLiteral("/link-to-doc");
    QVERIFY(QFile::link(elsewhere, linkOnDesktop));
    const QString linkElsewhere = home.documents() + QStringLiteral("/link-to-plain");
    QVERIFY(QFile::link(plain, linkElsewhere));
    // The Desktop reached through a linked folder is still the Desktop.
    QVERIFY(QFile::link(home.home(), home.documents() + QStringLiteral("/home-link")));
    const QString throughLink = home.documents() + QStringLiteral("/home-link/Desktop/plain.txt");

    ScriptedBridge bridge(desktop, files);
    for (const QString& path :
         {plain, dotted, listed, nested, elsewhere, linkOnDesktop, linkElsewhere, throughLink})
        bridge.selection.append(DesktopFile{path, QPointF(1, 1)});
    QStringList kept;
    for (const DesktopFile& file : bridge.selectedFiles().value())
        kept.append(file.path);
    QCOMPARE(kept, (QStringList{plain, linkOnDesktop, throughLink}));
    // All items are reported unfiltered.
    QCOMPARE(bridge.desktopItems().value().size(), 8);
}

void TestDesktopBridge::unexpressibleEntriesAreLeftOut()
{
    TempHome home;
    LocalFileSystem files;
    ScriptedBridge bridge(home.desktop(), files);
    const QStringList bad{QString(),
                          QStringLiteral("."),
                          QStringLiteral(".."),
                          QStringLiteral("a/b"),
                          QStringLiteral("nul") + QChar(0),
                          lone()};
    QVERIFY(bridge.desktopPositions(bad).value().isEmpty());
    QVERIFY(bridge.asked.isEmpty());

    const QString hostile = QStringLiteral("q\"u\\o\tt\ne .x");
    QVERIFY(bridge.desktopPositions(QStringList(bad) << hostile));
    QCOMPARE(bridge.asked, (QList<QStringList>{{hostile}}));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QVERIFY(bridge.setDesktopPositions({{QStringLiteral("a/b"), QPointF(1, 1)},
                                        {QStringLiteral("nan"), QPointF(nan, 1)},
                                        {QStringLiteral("inf"), QPointF(1, -inf)},
                                        {QStringLiteral("far"), QPointF(1e12, 1)}}));
    QVERIFY(bridge.written.isEmpty());
    QVERIFY(bridge.setDesktopPositions(
        {{lone(), QPointF(1, 1)}, {QStringLiteral("ok"), QPointF(-5.5, 2147483000)}}));
    QCOMPARE(bridge.written,
             (QList<QList<NamedPosition>>{{{QStringLiteral("ok"), QPointF(-5.5, 2147483000)}}}));
}

void TestDesktopBridge::hiddenFilesByDotOrList()
{
    TempHome home;
    LocalFileSystem files;
    ScriptedBridge bridge(home.desktop(), files);
    home.write(QStringLiteral("Desktop/.hidden"), "a.txt\nb c.txt");
    QVERIFY(bridge.isHiddenFile(home.desktop() + QStringLiteral("/.profile")));
    QVERIFY(bridge.isHiddenFile(home.desktop() + QStringLiteral("/a.txt")));
    QVERIFY(bridge.isHiddenFile(home.desktop() + QStringLiteral("/b c.txt")));
    QVERIFY(!bridge.isHiddenFile(home.desktop() + QStringLiteral("/a")));
    QVERIFY(!bridge.isHiddenFile(home.desktop() + QStringLiteral("/c.txt")));
    // No list, or one that cannot be read: not hidden.
    QVERIFY(!bridge.isHiddenFile(home.documents() + QStringLiteral("/a.txt")));
    home.makeFolder(QStringLiteral("Documents/odd/.hidden"));
    QVERIFY(!bridge.isHiddenFile(home.documents() + QStringLiteral("/odd/a.txt")));

    // Lists kept for one operation read each folder's list once and answer from it after; the
    // next operation reads the list as it is then.
    HiddenLists lists;
    QVERIFY(bridge.isHiddenFile(home.desktop() + QStringLiteral("/a.txt"), lists));
    QVERIFY(!bridge.isHiddenFile(home.desktop() + QStringLiteral("/c.txt"), lists));
    QVERIFY(!bridge.isHiddenFile(home.documents() + QStringLiteral("/a.txt"), lists));
    home.write(QStringLiteral("Desktop/.hidden"), "c.txt\n");
    home.write(QStringLiteral("Documents/.hidden"), "a.txt\n");
    QVERIFY(!bridge.isHiddenFile(home.desktop() + QStringLiteral("/c.txt"), lists));
    QVERIFY(!bridge.isHiddenFile(home.documents() + QStringLiteral("/a.txt"), lists));
    QVERIFY(bridge.isHiddenFile(home.desktop() + QStringLiteral("/.profile"), lists));
    QVERIFY(bridge.isHiddenFile(home.desktop() + QStringLiteral("/c.txt")));
    QVERIFY(!bridge.isHiddenFile(home.desktop() + QStringLiteral("/a.txt")));
    QVERIFY(bridge.isHiddenFile(home.documents() + QStringLiteral("/a.txt")));

    // The selection reads the lists afresh on every call.
    bridge.selection = {DesktopFile{home.desktop() + QStringLiteral("/a.txt"), std::nullopt},
                        DesktopFile{home.desktop() + QStringLiteral("/c.txt"), std::nullopt}};
    QCOMPARE(bridge.selectedFiles().value().size(), 1);
    QCOMPARE(bridge.selectedFiles().value().first().path,
             home.desktop() + QStringLiteral("/a.txt"));
    home.write(QStringLiteral("Desktop/.hidden"), "a.txt\n");
    QCOMPARE(bridge.selectedFiles().value().first().path,
             home.desktop() + QStringLiteral("/c.txt"));
}

QTEST_GUILESS_MAIN(TestDesktopBridge)
#include "tst_desktopbridge.moc"
