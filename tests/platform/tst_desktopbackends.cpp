#include "FileInvariant.h"
#include "TempHome.h"
#include "platform/linux/LocalFileSystem.h"
#include "platform/linux/NemoBackend.h"
#include "platform/linux/PcmanfmBackend.h"
#include "platform/linux/PlasmaBackend.h"
#include "platform/linux/XfdesktopBackend.h"
#include "platform/linux/XfdesktopGrid.h"
#include "platform/linux/XfdesktopIconFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QRect screen(0, 0, 1280, 800);

} // namespace

class TestDesktopBackends : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void xfdesktopGridMatchesTheScreen();
    void xfdesktopFileKeepsEverythingElse();
    void xfdesktopPlacesThroughItsFile();
    void nemoCentresFollowTheIconSize();
    void pcmanfmReadsMovedIcons();
    void plasmaGridMatchesTheMeasuredCells_data();
    void plasmaGridMatchesTheMeasuredCells();
    void plasmaListReadsAsPlasmaShowsIt();
};

void TestDesktopBackends::xfdesktopGridMatchesTheScreen()
{
    // Measured on 1280 × 800 with openbox: column 0 centred at x 71.6, row 5 at y 598, the
    // icon written at row 5, column 8 shown centred at (896.6, 598).
    const XfdesktopGrid grid(screen, 48);
    QCOMPARE(grid.rows(), 7);
    QCOMPARE(grid.columns(), 12);
    QCOMPARE(grid.centreOf({0, 0}), QPointF(71.6, 47));
    QCOMPARE(grid.centreOf({5, 8}), QPointF(896.6, 598));
    for (int row = 0; row < grid.rows(); ++row) {
        for (int column = 0; column < grid.columns(); ++column) {
            const XfdesktopGrid::Cell cell{row, column};
            QCOMPARE(grid.cellFor(grid.centreOf(cell)), cell);
            QCOMPARE(grid.cellFor(grid.centreOf(cell) + QPointF(30, -30)), cell);
        }
    }
    QCOMPARE(grid.cellFor(QPointF(-500, 5000)), (XfdesktopGrid::Cell{6, 0}));
    // A panel takes room: the grid starts below it.
    QVERIFY(XfdesktopGrid(QRect(0, 24, 1280, 776), 48).centreOf({0, 0}).y() > 24 + 8);
}

void TestDesktopBackends::xfdesktopFileKeepsEverythingElse()
{
    const QByteArray original = "[xfdesktop-version-4.10.3+-rcfile_format]\n4.10.3+=true\n\n"
                                "[/home/u/Desktop/beta.txt]\nrow=4\ncol=0\n\n"
                                "[Trash]\nrow=0\ncol=0\n# a remark   kept as it is\n"
                                "[/home/u/Desktop/odd]\ncol=2\nother=x";
    XfdesktopIconFile file(original);
    QCOMPARE(file.cells(), (QHash<QByteArray, XfdesktopGrid::Cell>{
                               {"/home/u/Desktop/beta.txt", {4, 0}}, {"Trash", {0, 0}}}));
    file.setCell("/home/u/Desktop/beta.txt", {6, 11});
    file.setCell("/home/u/Desktop/odd", {1, 3});
    file.setCell("/home/u/Desktop/new \"file\".txt", {2, 5});
    // Only the cells change; a new entry closes the file.
    QCOMPARE(file.text(), QByteArray(original)
                                  .replace("row=4\ncol=0", "row=6\ncol=11")
                                  .replace("odd]\ncol=2", "odd]\nrow=1\ncol=3") +
                              "\n\n[/home/u/Desktop/new \"file\".txt]\nrow=2\ncol=5\n");
    QCOMPARE(file.cells().value("/home/u/Desktop/odd"), (XfdesktopGrid::Cell{1, 3}));
    for (const QByteArray& bad :
         {QByteArray("/a/[x]"), QByteArray("/a/b\nc"), QByteArray("/a/b "), QByteArray()})
        QVERIFY(!XfdesktopIconFile::canName(bad));
    QVERIFY(XfdesktopIconFile::canName("/a/say \"hi\" \\ .txt"));
}

void TestDesktopBackends::xfdesktopPlacesThroughItsFile()
{
    TempHome home;
    FileInvariant invariant(home);
    LocalFileSystem files;
    const QString shown = u"shown.txt"_s;
    invariant.addDesktopFile(shown);
    const QString rc = home.write(u".config/xfce4/desktop/icons.screen0-1280x800.rc"_s,
                                  "[Trash]\nrow=0\ncol=0\n\n[" + home.desktop().toUtf8() +
                                      "/shown.txt]\nrow=1\ncol=0\n\n[" + home.desktop().toUtf8() +
                                      "/folder/deeper]\nrow=3\ncol=3\n");
    const QString latest = home.configRoot() + u"/xfce4/desktop/icons.screen.latest.rc"_s;
    QVERIFY(QFile::link(rc, latest));
    home.write(u".config/xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml"_s,
               "<?xml version=\"1.0\"?>\n<channel name=\"xfce4-desktop\" version=\"1.0\">\n"
               "  <property name=\"desktop-icons\" type=\"empty\">\n"
               "    <property name=\"icon-size\" type=\"uint\" value=\"48\"/>\n"
               "  </property>\n</channel>\n");
    QCOMPARE(XfdesktopBackend::iconSize(home.configRoot()), 48);

    XfdesktopBackend backend(files, home.desktop(), home.configRoot(), [] { return screen; });
    const XfdesktopGrid grid(screen, 48);
    QCOMPARE(backend.allPositions().value(), (PositionMap{{shown, grid.centreOf({1, 0})}}));

    // A file about to arrive gets its entry; one already there is left to place().
    QVERIFY(backend.announce(
        {{u"coming.txt"_s, grid.centreOf({2, 4})}, {shown, grid.centreOf({6, 6})}}));
    QCOMPARE(backend.allPositions().value().value(u"coming.txt"_s), grid.centreOf({2, 4}));
    QCOMPARE(backend.allPositions().value().value(shown), grid.centreOf({1, 0}));
    QVERIFY(backend.place({{shown, grid.centreOf({6, 6}) + QPointF(10, 10)},
                           {u"absent.txt"_s, grid.centreOf({3, 3})}}));
    QCOMPARE(backend.allPositions().value().value(shown), grid.centreOf({6, 6}));
    QVERIFY(!backend.allPositions().value().contains(u"absent.txt"_s));
    // Written through the link, which stays a link; the other entries are untouched.
    QVERIFY(QFileInfo(latest).isSymLink());
    QVERIFY(TempHome::read(rc).startsWith("[Trash]\nrow=0\ncol=0\n\n["));
    QVERIFY(TempHome::read(rc).contains("/folder/deeper]\nrow=3\ncol=3\n"));
    QVERIFY(!backend.canExpress(u"a]b"_s));
    invariant.allowPlace(u".config"_s);
    TIDORA_CHECK_INVARIANT(invariant);
}

void TestDesktopBackends::nemoCentresFollowTheIconSize()
{
    // Measured: stored (96, 7) shows the image's top left there, 48 wide at the standard
    // level and 64 at "large" (level 4), without scaling the stored point.
    QCOMPARE(NemoBackend::centreOf(QPoint(96, 7), 48), QPointF(120, 31));
    QCOMPARE(NemoBackend::centreOf(QPoint(96, 7), NemoBackend::iconSizeOfLevel(4)),
             QPointF(128, 39));
    QCOMPARE(NemoBackend::storedFor(QPointF(120.4, 31.6), 48), QPoint(96, 8));
}

void TestDesktopBackends::pcmanfmReadsMovedIcons()
{
    TempHome home;
    home.write(u".config/pcmanfm/LXDE/desktop-items-0.conf"_s,
               "[*]\nwallpaper_mode=color\nsort=mtime;ascending;\n\n"
               "[trash:///]\nx=10\ny=10\n\n[alpha.txt]\nx=322\ny=222\n\n[broken]\nx=5\n");
    PcmanfmBackend gtk(PcmanfmBackend::Flavour::gtk, home.configRoot(), u"LXDE"_s);
    const PositionMap gtkPositions = gtk.allPositions().value();
    // Measured: the icon stored at (322, 222) is drawn centred at (378, 252).
    QCOMPARE(gtkPositions.value(u"alpha.txt"_s), QPointF(378, 252));
    QVERIFY(!gtkPositions.contains(u"broken"_s));
    QVERIFY(!gtkPositions.contains(u"*"_s));

    home.write(u".config/pcmanfm-qt/default/desktop-items-0.conf"_s,
               "[beta.txt]\npos=@Point(12 121)\n\n[gamma%20x.txt]\npos=@Point(113 12)\n");
    PcmanfmBackend qt(PcmanfmBackend::Flavour::qt, home.configRoot(), QString());
    const PositionMap qtPositions = qt.allPositions().value();
    // Measured over AT-SPI: cells 101 × 109 with their top left at the stored point.
    QCOMPARE(qtPositions.value(u"beta.txt"_s), QPointF(62.5, 146));
    QCOMPARE(qtPositions.size(), 2);

    // Positions are never set: that would need a restart of the user's desktop.
    const QByteArray before = TempHome::read(qt.itemsFile());
    QVERIFY(qt.place({{u"beta.txt"_s, QPointF(500, 500)}}));
    QVERIFY(qt.announce({{u"new.txt"_s, QPointF(500, 500)}}));
    QCOMPARE(TempHome::read(qt.itemsFile()), before);
}

void TestDesktopBackends::plasmaGridMatchesTheMeasuredCells_data()
{
    QTest::addColumn<int>("iconSize");
    QTest::addColumn<QSize>("cell");
    // Measured over the accessibility bus at 1280 × 800 with a 44-pixel panel below.
    QTest::newRow("48 px") << 2 << QSize(98, 108);
    QTest::newRow("64 px") << 3 << QSize(116, 126);
    QTest::newRow("96 px") << 4 << QSize(142, 151);
}

void TestDesktopBackends::plasmaGridMatchesTheMeasuredCells()
{
    QFETCH(int, iconSize);
    QFETCH(QSize, cell);
    PlasmaGrid grid;
    grid.area = QRect(0, 0, 1280, 756);
    grid.iconSize = iconSize;
    QCOMPARE(QSize(grid.cellWidth(), grid.cellHeight()), cell);
    for (const bool columnsFirst : {false, true}) {
        for (const bool rightAligned : {false, true}) {
            grid.columnsFirst = columnsFirst;
            grid.rightAligned = rightAligned;
            for (const PlasmaGrid::Cell at : {PlasmaGrid::Cell{0, 0}, PlasmaGrid::Cell{2, 3}})
                QCOMPARE(grid.cellAt(grid.centreOf(at) + QPointF(20, 20)), at);
        }
    }
}

void TestDesktopBackends::plasmaListReadsAsPlasmaShowsIt()
{
    const QByteArray output = R"({"gridUnit": 18, "desktops": [
        {"id": 1, "url": "desktop:/", "sortMode": 1, "screen": {"x": 0, "y": 0, "width": 1280,
         "height": 800}, "free": {"x": 0, "y": 0, "width": 1280, "height": 756}, "list": []},
        {"id": 2, "url": "desktop:/", "sortMode": -1, "iconSize": 3, "labelWidth": 1,
         "textLines": 2, "screen": {"x": 0, "y": 0, "width": 1280, "height": 800},
         "free": {"x": 0, "y": 0, "width": 1280, "height": 756},
         "list": ["3", "11", "desktop:/a%25 b%23.txt", "1", "2", "desktop:/twin.txt", "1", "2",
                  "desktop:/wraps.txt", "0", "11", "desktop:/far.txt", "0", "12",
                  "file:///elsewhere/x.txt", "2", "2", "desktop:/%C3%BC.txt", "2", "0"]}]})";
    const std::optional<QList<PlasmaBackend::Containment>> state =
        PlasmaBackend::parseState(output, u"/home/u/Desktop"_s);
    QVERIFY(state);
    // Sorted icons have no positions.
    QCOMPARE(state->size(), 1);
    // The first entry for a cell wins it; the place just past the stripe wraps to the next;
    // one further, another folder's file and the loser of a cell go wherever Plasma has room.
    QCOMPARE(PlasmaBackend::positionsIn(state->first()),
             (PositionMap{{u"a% b#.txt"_s, QPointF(290, 166)},
                          {u"wraps.txt"_s, QPointF(58, 166)},
                          {u"\u00fc.txt"_s, QPointF(58, 292)}}));
    QVERIFY(!PlasmaBackend::parseState("not JSON", u"/home/u/Desktop"_s));
}

QTEST_GUILESS_MAIN(TestDesktopBackends)
#include "tst_desktopbackends.moc"
