#include "FakeDesktop.h"
#include "TempHome.h"
#include "engine/FinderScripts.h"
#include "platform/linux/LocalFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <limits>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// A bridge whose program answers from a script, to test the rules the base keeps.
class ScriptedBridge : public DesktopBridge
{
public:
    ScriptedBridge(QString desktopFolder, const FileSystem& fileSystem)
        : DesktopBridge(std::move(desktopFolder), fileSystem)
    {}

    QList<DesktopFile> selection;
    // What a context-menu action handed over, taken once.
    std::optional<QList<DesktopFile>> handOver;
    QList<NamedPosition> answer;
    QList<QStringList> asked;
    QList<QList<NamedPosition>> written;

protected:
    BridgeResult<QList<DesktopFile>> readDesktopItems() override { return selection; }
    BridgeResult<QList<DesktopFile>> readSelection() override { return selection; }
    std::optional<QList<DesktopFile>> takeHandOver() override
    {
        return std::exchange(handOver, std::nullopt);
    }
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
    return QString(QChar(0xD800)) + u"x"_s;
}

} // namespace

using FinderScripts::ReplyRow;

class TestDesktopBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstAnswerWinsAndOthersAreDropped();
    void selectionKeepsVisibleItemsDirectlyOnTheDesktop();
    void rightClickedFilesWinOverTheDesktopSelection();
    void unexpressibleEntriesAreLeftOut();
    void hiddenFilesByDotOrList();
    void scriptsQuoteNamesAndRepliesKeepOnlyNumericRows();
};

void TestDesktopBridge::firstAnswerWinsAndOthersAreDropped()
{
    Bridge b;
    b.bridge.answer = {{u"a"_s, QPointF(1, 2)},
                       {u"stranger"_s, QPointF(5, 5)},
                       {u"a"_s, QPointF(3, 4)},
                       {u"b"_s, QPointF(6, 7)}};
    const PositionMap positions = b.bridge.desktopPositions({u"a"_s, u"b"_s, u"c"_s}).value();
    QCOMPARE(positions, (PositionMap{{u"a"_s, QPointF(1, 2)}, {u"b"_s, QPointF(6, 7)}}));
    QCOMPARE(b.bridge.asked.size(), 1);
}

void TestDesktopBridge::selectionKeepsVisibleItemsDirectlyOnTheDesktop()
{
    Bridge b;
    TempHome& home = b.home;
    const QString plain = home.write(u"Desktop/plain.txt"_s);
    const QString dotted = home.write(u"Desktop/.dotted"_s);
    const QString listed = home.write(u"Desktop/listed.txt"_s);
    home.write(u"Desktop/.hidden"_s, "other\nlisted.txt\n");
    const QString nested = home.write(u"Desktop/folder/inner.txt"_s);
    const QString elsewhere = home.write(u"Documents/doc.txt"_s);
    // A link on the Desktop is the link; a link elsewhere to a Desktop file is elsewhere.
    const QString linkOnDesktop = b.desktop(u"link-to-doc"_s);
    QVERIFY(QFile::link(elsewhere, linkOnDesktop));
    const QString linkElsewhere = home.documents() + u"/link-to-plain"_s;
    QVERIFY(QFile::link(plain, linkElsewhere));
    // The Desktop reached through a linked folder is still the Desktop.
    QVERIFY(QFile::link(home.home(), home.documents() + u"/home-link"_s));
    const QString throughLink = home.documents() + u"/home-link/Desktop/plain.txt"_s;

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

void TestDesktopBridge::rightClickedFilesWinOverTheDesktopSelection()
{
    Bridge b;
    const QString shown = b.home.write(u"Desktop/selected-on-desktop.txt"_s);
    const QString clicked = b.home.write(u"Desktop/right-clicked.txt"_s);
    b.bridge.selection = {DesktopFile{shown, QPointF(1, 1)}};
    const auto paths = [&b](SelectionSource source) {
        QStringList found;
        for (const DesktopFile& file : b.bridge.selectedFiles(source).value())
            found.append(file.path);
        return found;
    };

    b.bridge.handOver = QList<DesktopFile>{{clicked, std::nullopt},
                                           {b.home.write(u"Desktop/.dot"_s), std::nullopt}};
    // The hot key and the tray menu leave a hand-over alone.
    QCOMPARE(paths(SelectionSource::desktop), QStringList{shown});
    QCOMPARE(paths(SelectionSource::contextMenu), QStringList{clicked});
    // Used up: a later request finds the Desktop's selection.
    QCOMPARE(paths(SelectionSource::contextMenu), QStringList{shown});
    // Handed over but nothing usable: nothing, never the Desktop's selection instead.
    b.bridge.handOver = QList<DesktopFile>{{b.home.write(u"Documents/doc.txt"_s), std::nullopt}};
    QCOMPARE(paths(SelectionSource::contextMenu), QStringList{});
}

void TestDesktopBridge::unexpressibleEntriesAreLeftOut()
{
    Bridge b;
    const QStringList bad{QString(), u"."_s, u".."_s, u"a/b"_s, u"nul"_s + QChar(0), lone()};
    QVERIFY(b.bridge.desktopPositions(bad).value().isEmpty());
    QVERIFY(b.bridge.asked.isEmpty());
    const QString hostile = u"q\"u\\o\tt\ne .x"_s;
    QVERIFY(b.bridge.desktopPositions(QStringList(bad) << hostile));
    QCOMPARE(b.bridge.asked, (QList<QStringList>{{hostile}}));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QVERIFY(b.bridge.setDesktopPositions({{u"a/b"_s, QPointF(1, 1)},
                                          {u"nan"_s, QPointF(nan, 1)},
                                          {u"inf"_s, QPointF(1, -inf)},
                                          {u"far"_s, QPointF(1e12, 1)}}));
    QVERIFY(b.bridge.written.isEmpty());
    QVERIFY(b.bridge.setDesktopPositions(
        {{lone(), QPointF(1, 1)}, {u"ok"_s, QPointF(-5.5, 2147483000)}}));
    QCOMPARE(b.bridge.written,
             (QList<QList<NamedPosition>>{{{u"ok"_s, QPointF(-5.5, 2147483000)}}}));
}

void TestDesktopBridge::hiddenFilesByDotOrList()
{
    Bridge b;
    const QString a = b.desktop(u"a.txt"_s);
    const QString c = b.desktop(u"c.txt"_s);
    const QString documentsA = b.home.documents() + u"/a.txt"_s;
    b.home.write(u"Desktop/.hidden"_s, "a.txt\nb c.txt");
    QVERIFY(b.hidden(b.desktop(u".profile"_s)));
    QVERIFY(b.hidden(a));
    QVERIFY(b.hidden(b.desktop(u"b c.txt"_s)));
    QVERIFY(!b.hidden(b.desktop(u"a"_s)));
    QVERIFY(!b.hidden(c));
    // No list, or one that cannot be read: not hidden.
    QVERIFY(!b.hidden(documentsA));
    b.home.makeFolder(u"Documents/odd/.hidden"_s);
    QVERIFY(!b.hidden(b.home.documents() + u"/odd/a.txt"_s));

    // Lists kept for one operation read each folder's list once and answer from it after; the
    // next operation reads the list as it is then.
    HiddenLists lists;
    QVERIFY(b.bridge.isHiddenFile(a, lists));
    QVERIFY(!b.bridge.isHiddenFile(documentsA, lists));
    b.home.write(u"Desktop/.hidden"_s, "c.txt\n");
    b.home.write(u"Documents/.hidden"_s, "a.txt\n");
    QVERIFY(!b.bridge.isHiddenFile(c, lists));
    QVERIFY(!b.bridge.isHiddenFile(documentsA, lists));
    QVERIFY(b.hidden(c) && !b.hidden(a) && b.hidden(documentsA));

    // The selection reads the lists afresh on every call.
    b.bridge.selection = {DesktopFile{a, std::nullopt}, DesktopFile{c, std::nullopt}};
    QCOMPARE(b.bridge.selectedFiles().value().first().path, a);
    b.home.write(u"Desktop/.hidden"_s, "a.txt\n");
    QCOMPARE(b.bridge.selectedFiles().value().first().path, c);
}

void TestDesktopBridge::scriptsQuoteNamesAndRepliesKeepOnlyNumericRows()
{
    const QString script = FinderScripts::positions(
        {u"plain.txt"_s, u"say \"hi\".txt"_s, u"back\\slash"_s, u"\\\""_s});
    QVERIFY(script.contains(u"{\"plain.txt\", \"say \\\"hi\\\".txt\", "
                            "\"back\\\\slash\", \"\\\\\\\"\"}"_s));
    // Positions are set truncated toward zero.
    QVERIFY(FinderScripts::setPositions({NamedPosition{u"c"_s, QPointF(-0.5, 1e6 + 0.99)}})
                .contains(u"item \"c\" of desktop to {0, 1000000}"_s));

    // A reply row is a path and two numbers, tab-separated; anything else is dropped.
    const QString reply = u"/Users/u/Desktop/a.png\t120.5\t-40\n"
                          "\n"
                          "/Users/u/Desktop/tab\tname\t1\t2\n"
                          "/Users/u/Desktop/words\tten\t20\n"
                          "/Users/u/Desktop/blank\t\t20\n"
                          "/Users/u/Desktop/space\t 1\t20\n"
                          "/Users/u/Desktop/rest\t1x\t20\n"
                          "/Users/u/Desktop/nan\tnan\t20\n"
                          "\t1e2\t3.25\n"
                          "/Users/u/Desktop/two\t5\n"
                          "/Users/u/Desktop/last\t7\t8"_s;
    QCOMPARE(FinderScripts::parseReply(reply),
             (QList<ReplyRow>{{u"/Users/u/Desktop/a.png"_s, 120.5, -40},
                              {QString(), 100, 3.25},
                              {u"/Users/u/Desktop/last"_s, 7, 8}}));
}

QTEST_GUILESS_MAIN(TestDesktopBridge)
#include "tst_desktopbridge.moc"
