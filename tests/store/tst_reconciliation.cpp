#include "LaunchHome.h"
#include "store/FreshIds.h"
#include "store/StackListFile.h"

#include <QFileInfo>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString reportEnd =
    u". Files are never copied or deleted this way; check them in the stacks, or spread them to "
    "the Desktop."_s;

} // namespace

// The record repairs at launch: bookmarks followed, files found in stack folders taken back,
// folders nobody lists turned into stacks, and what the user is told about it.

class TestReconciliation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nothingToRepairChangesNothing();
    void lostStackListIsRebuiltFromTheFolders();
    void fileDroppedIntoAStackFolderJoinsTheStack();
    void renamedStackFoldersAreFollowed();
    void aFileDraggedToAnotherStackDoesNotMoveTheRecord();
    void aRecordFindsAFolderOfItsNameButNeverALink();
    void recordsKeepTheirOwnFoldersAndIds();
    void unusableNamesStayWhereTheyAre();
    void recoveredStacksStayOnTheScreen();
    void missingFoldersAreNamed();
    void idsAreRandomVersionFourAndNeverRepeat();
};

void TestReconciliation::nothingToRepairChangesNothing()
{
    {
        // No storage folder at all: nothing is created.
        LaunchHome h;
        const ReconciliationResult result = h.repair();
        QVERIFY(result.restored.isEmpty() && result.recovered.isEmpty());
        QCOMPARE(h.saves, 0);
        QVERIFY(!QFileInfo::exists(h.hidden()));
        QVERIFY(!QFileInfo::exists(h.onDesktop()));
        QVERIFY(h.settings.values().isEmpty());
        QVERIFY(!h.reconciliation.launchReport(result));
    }

    // An empty storage folder and an intact stack: the README is written, nothing else.
    LaunchHome h;
    h.addStack(u"Kept"_s, {u"k.txt"_s});
    const QList<DesktopStack> before = h.stacks;
    const ReconciliationResult result = h.repair();
    QCOMPARE(h.saves, 0);
    QCOMPARE(h.stacks, before);
    QVERIFY(!h.reconciliation.launchReport(result));
    QVERIFY(!h.reconciliation.missingFoldersWarning(h.stacks));
    QVERIFY(h.log.lines().isEmpty());
    // The folders are protected once everything is in place.
    QCOMPARE(h.guard.calls.last(), u"protect "_s + h.hidden() + u"/Kept"_s);
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::lostStackListIsRebuiltFromTheFolders()
{
    LaunchHome h;
    StackListFile file(h.paths, h.fs);
    h.home.write(u".local/share/Tidorama/stacks.json"_s, "[{\"id\": \"broken");
    h.invariant.addFile(u"Documents/.Tidora/B/b1.txt"_s);
    h.invariant.addFile(u"Documents/.Tidora/A/a2.txt"_s);
    h.invariant.addFile(u"Documents/.Tidora/A/a1.txt"_s);
    h.invariant.addFile(u"Documents/.Tidora/loose.txt"_s);
    h.home.makeFolder(u"Documents/.Tidora/Empty"_s);
    h.home.write(u"Documents/.Tidora/Only DS/.DS_Store"_s);

    h.stacks = file.loadStackList();
    QVERIFY(h.stacks.isEmpty());
    const ReconciliationResult result = h.reconciliation.repair(h.stacks, [&] {
        ++h.saves;
        QVERIFY(file.saveStackList(h.stacks));
    });

    QCOMPARE(result.recovered, (QStringList{u"A"_s, u"B"_s}));
    QVERIFY(result.restored.isEmpty());
    QCOMPARE(h.saves, 1);
    QCOMPARE(h.stacks.size(), 2);
    // From the top right of the 1280 × 776 visible frame, A (sorted first) rightmost.
    const DesktopStack& a = h.stacks.at(0);
    QCOMPARE(a.folderName, u"A"_s);
    QCOMPARE(a.windowOrigin, QPointF(1100, 566));
    QCOMPARE(h.itemNames(a), (QStringList{u"a1.txt"_s, u"a2.txt"_s}));
    QCOMPARE(a.items.at(0).position, QPointF(1170, 135));
    QCOMPARE(a.items.at(1).position, QPointF(1194, 159));
    QCOMPARE(h.resolvedItem(a.items.at(1)), h.hidden() + u"/A/a2.txt"_s);
    const DesktopStack& b = h.stacks.at(1);
    QCOMPARE(b.windowOrigin, QPointF(940, 566));
    QVERIFY(a.id != b.id && !a.id.isNull() && a.items.at(0).id != a.items.at(1).id);

    // Empty folders (".DS_Store" does not count) stay as they are and make no stack.
    QVERIFY(QFileInfo(h.hidden() + u"/Empty"_s).isDir());
    QVERIFY(QFileInfo::exists(h.hidden() + u"/Only DS/.DS_Store"_s));

    QCOMPARE(h.reconciliation.launchReport(result)->description,
             u"Tidora checked "_s + h.hidden() +
                 u" and brought files it no longer had a list for back as stacks: "
                 "\u201CA\u201D, \u201CB\u201D"_s +
                 reportEnd);
    QCOMPARE(file.loadStackList(), h.stacks);

    // The next launch finds everything in order.
    h.saves = 0;
    const ReconciliationResult again = h.repair();
    QVERIFY(again.recovered.isEmpty() && again.restored.isEmpty());
    QCOMPARE(h.saves, 0);
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::fileDroppedIntoAStackFolderJoinsTheStack()
{
    LaunchHome h;
    h.addStack(u"Notes"_s, {u"n1.txt"_s, u"n2.txt"_s}, {}, QPointF(200, 300));
    // A bookmark that no longer finds its file: the file of that name is taken instead.
    h.stacks[0].items[1].bookmark = "not a bookmark";
    const QString dropped = h.invariant.addFile(u"Documents/.Tidora/Notes/dropped\nname.txt"_s);
    // A link dropped in is an entry like any file; what it points to is never touched.
    h.writeOutside(u"Elsewhere/target.txt"_s);
    h.invariant.addSymlink(u"Documents/.Tidora/Notes/link"_s, h.home.home() + u"/Elsewhere"_s);
    // A spread stack's folder too: a file added just before a stop is not left hidden there.
    h.addStack(u"Spread"_s, {});
    h.stacks.last().state = StackState::expanded;
    h.invariant.addFile(u"Documents/.Tidora/Spread/stray.txt"_s);

    const ReconciliationResult result = h.repair();
    QCOMPARE(result.restored, (QStringList{u"Notes"_s, u"Spread"_s}));
    QVERIFY(result.recovered.isEmpty());
    QCOMPARE(h.saves, 1);
    const DesktopStack& notes = h.stacks.at(0);
    QCOMPARE(h.itemNames(notes),
             (QStringList{u"n1.txt"_s, u"n2.txt"_s, u"dropped\nname.txt"_s, u"link"_s}));
    QCOMPARE(h.resolvedItem(notes.items.at(1)), h.hidden() + u"/Notes/n2.txt"_s);
    QCOMPARE(h.resolvedItem(notes.items.at(2)), dropped);
    QCOMPARE(h.resolvedItem(notes.items.at(3)), h.hidden() + u"/Notes/link"_s);
    // Next to the window, one step further for each file the stack already had.
    QCOMPARE(notes.items.at(3).position, QPointF(200 + 70 + 72, 776 - 300 - 75 + 72));
    QCOMPARE(h.itemNames(h.stacks.at(1)), QStringList{u"stray.txt"_s});
    QCOMPARE(h.stacks.size(), 2);

    QCOMPARE(h.reconciliation.launchReport(result)->description,
             u"Tidora checked "_s + h.hidden() +
                 u" and found files missing from these stacks and put them back in: "
                 "\u201CNotes\u201D, \u201CSpread\u201D"_s +
                 reportEnd);
    h.saves = 0;
    QVERIFY(h.repair().restored.isEmpty());
    QCOMPARE(h.saves, 0);
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::renamedStackFoldersAreFollowed()
{
    LaunchHome h;
    h.addStack(u"Trip"_s, {u"t1.jpg"_s, u"t2.jpg"_s});
    QVERIFY(QDir().rename(h.hidden() + u"/Trip"_s, h.hidden() + u"/Holiday"_s));
    // Two stack folders whose names were swapped by hand.
    h.addStack(u"Left"_s, {u"l.txt"_s});
    h.addStack(u"Right"_s, {u"r.txt"_s});
    QDir storage(h.hidden());
    QVERIFY(storage.rename(u"Left"_s, u"swap"_s));
    QVERIFY(storage.rename(u"Right"_s, u"Left"_s));
    QVERIFY(storage.rename(u"swap"_s, u"Right"_s));

    const ReconciliationResult result = h.repair();
    QVERIFY(result.restored.isEmpty() && result.recovered.isEmpty());
    QCOMPARE(h.saves, 1);
    QCOMPARE(h.stacks.at(0).name, u"Trip"_s);
    QCOMPARE(h.stacks.at(0).folderName, u"Holiday"_s);
    QCOMPARE(h.stacks.at(1).folderName, u"Right"_s);
    QCOMPARE(h.stacks.at(2).folderName, u"Left"_s);
    // The renewed bookmarks name the new place, so the next launch finds them at once.
    const QByteArray bookmark = h.stacks.at(0).items.at(0).bookmark;
    QVERIFY(bookmark.contains("/Holiday/t1.jpg"));
    QVERIFY(!h.reconciliation.missingFoldersWarning(h.stacks));
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::aFileDraggedToAnotherStackDoesNotMoveTheRecord()
{
    LaunchHome h;
    // The moved file is the record's last item: following it would take B's folder over and
    // leave A's folder without a record.
    h.addStack(u"A"_s, {u"a2.txt"_s, u"a1.txt"_s});
    h.addStack(u"B"_s, {u"b1.txt"_s});
    QVERIFY(QFile::rename(h.hidden() + u"/A/a1.txt"_s, h.hidden() + u"/B/a1.txt"_s));

    const ReconciliationResult result = h.repair();
    QCOMPARE(h.stacks.size(), 2);
    QCOMPARE(h.stacks.at(0).folderName, u"A"_s);
    QCOMPARE(h.stacks.at(1).folderName, u"B"_s);
    QCOMPARE(result.restored, QStringList{u"B"_s});
    QVERIFY(result.recovered.isEmpty());
    QCOMPARE(h.itemNames(h.stacks.at(1)), (QStringList{u"b1.txt"_s, u"a1.txt"_s}));

    // Two records that name one folder never take each other's files as missing.
    LaunchHome shared;
    shared.addStack(u"One"_s, {u"x.txt"_s});
    shared.addStack(u"Two"_s, {u"y.txt"_s}, u"Documents/.Tidora/One"_s);
    shared.stacks[1].folderName = u"One"_s;
    shared.invariant.addFile(u"Documents/.Tidora/One/z.txt"_s);
    QCOMPARE(shared.repair().restored, QStringList{u"One"_s});
    QCOMPARE(shared.itemNames(shared.stacks.at(0)), (QStringList{u"x.txt"_s, u"z.txt"_s}));
    QCOMPARE(shared.itemNames(shared.stacks.at(1)), QStringList{u"y.txt"_s});
    TIDORA_CHECK_INVARIANT(h.invariant);
    TIDORA_CHECK_INVARIANT(shared.invariant);
}

void TestReconciliation::aRecordFindsAFolderOfItsNameButNeverALink()
{
    LaunchHome h;
    h.writeOutside(u"Elsewhere/outside.txt"_s);
    const QString elsewhere = h.home.home() + u"/Elsewhere"_s;
    h.addRecord(u" Photos: 2024\n"_s, u"Gone"_s);
    h.stacks[0].windowOrigin = QPointF(500, 400);
    h.invariant.addFile(u"Documents/.Tidora/Photos- 2024/p.jpg"_s);
    // A folder that another record names is not taken.
    h.addStack(u"Taken"_s, {u"t.txt"_s});
    h.addRecord(u"Taken"_s, u"Also gone"_s);
    // A record named ".." must not find "..", and one named like a link must not find the link.
    h.addRecord(u".."_s, u"gone 1"_s);
    QVERIFY(QFile::link(elsewhere, h.hidden() + u"/Linked"_s));
    h.addRecord(u"Linked"_s, u"gone 2"_s);
    // A record whose folder name is a link is not looked into, and a link no record names is
    // not taken for a folder to recover.
    h.addRecord(u"Via link"_s, u"Linked"_s);
    QVERIFY(QFile::link(elsewhere, h.hidden() + u"/Unlisted"_s));

    const ReconciliationResult result = h.repair();
    QCOMPARE(h.stacks.at(0).folderName, u"Photos- 2024"_s);
    QCOMPARE(h.itemNames(h.stacks.at(0)), QStringList{u"p.jpg"_s});
    QCOMPARE(h.stacks.at(0).items.at(0).position, QPointF(570, 776 - 400 - 75));
    QCOMPARE(h.stacks.at(2).folderName, u"Also gone"_s);
    QCOMPARE(h.stacks.at(3).folderName, u"gone 1"_s);
    QCOMPARE(h.stacks.at(4).folderName, u"gone 2"_s);
    QVERIFY(h.stacks.at(5).items.isEmpty());
    QCOMPARE(h.stacks.size(), 6);
    QCOMPARE(result.restored, QStringList{u" Photos: 2024\n"_s});
    QVERIFY(result.recovered.isEmpty());
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::recordsKeepTheirOwnFoldersAndIds()
{
    LaunchHome h;
    h.addStack(u"A"_s, {u"a1.txt"_s, u"a2.txt"_s});
    h.addStack(u"B"_s, {u"b.txt"_s});
    h.addStack(u"Twin"_s, {u"t.txt"_s});
    h.stacks[2].id = h.stacks[1].id;
    // One of A's files dragged into a folder no record lists.
    h.home.makeFolder(u"Documents/.Tidora/C"_s);
    QVERIFY(QFile::rename(h.hidden() + u"/A/a1.txt"_s, h.hidden() + u"/C/a1.txt"_s));

    (void)h.repair();
    QCOMPARE(h.stacks.at(0).folderName, u"A"_s);
    QVERIFY(h.stacks.at(1).id != h.stacks.at(2).id);
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::unusableNamesStayWhereTheyAre()
{
    LaunchHome h;
    h.addStack(u"Kept"_s, {u"k.txt"_s});
    QVERIFY(h.writeUnnamed(h.hidden() + u"/Kept"_s));
    h.home.makeFolder(u"Documents/.Tidora/Odd"_s);
    QVERIFY(h.writeUnnamed(h.hidden() + u"/Odd"_s));

    const ReconciliationResult result = h.repair();
    QVERIFY(result.restored.isEmpty() && result.recovered.isEmpty());
    QCOMPARE(h.stacks.size(), 1);
    QCOMPARE(h.stacks.at(0).items.size(), 1);
    QCOMPARE(h.log.startingWith(u"Tidorama: could not"_s),
             (QStringList{u"Tidorama: could not restore "_s + h.hidden() +
                              u"/Kept: 1 item there has a name that is not valid UTF-8"_s,
                          u"Tidorama: could not recover "_s + h.hidden() +
                              u"/Odd: 1 item there has a name that is not valid UTF-8"_s}));
    QCOMPARE(h.fs.list(h.hidden() + u"/Odd"_s)->unnamed, 1);
    QCOMPARE(h.fs.list(h.hidden() + u"/Kept"_s)->unnamed, 1);
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::recoveredStacksStayOnTheScreen()
{
    LaunchHome h;
    for (int i = 1; i <= 9; ++i)
        h.invariant.addFile(u"Documents/.Tidora/F%1/f.txt"_s.arg(i));
    const ReconciliationResult result = h.repair();
    QCOMPARE(result.recovered.size(), 9);
    // Seven fit in a row of 1280 points; the eighth starts the next row.
    QCOMPARE(h.stacks.at(6).windowOrigin, QPointF(140, 566));
    QCOMPARE(h.stacks.at(7).windowOrigin, QPointF(1100, 396));
    QCOMPARE(h.stacks.at(7).items.at(0).position, QPointF(1170, 776 - 396 - 75));
    // Four rows fit; a further sheet starts again at the top right, a little lower left.
    RecordRepair& records = h.reconciliation.records();
    QCOMPARE(records.recoveredWindowOrigin(27), QPointF(140, 56));
    QCOMPARE(records.recoveredWindowOrigin(28), QPointF(1080, 546));
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::missingFoldersAreNamed()
{
    LaunchHome h;
    // A spread stack's folder may be gone: its files are on the Desktop.
    h.addStack(u"Spread"_s, {u"s.txt"_s}, u"Desktop"_s);
    h.stacks[0].state = StackState::expanded;
    h.addStack(u"Gone"_s, {u"g.txt"_s});
    h.addStack(u"Gone \"too\""_s, {u"g2.txt"_s});
    h.addRecord(u"Empty"_s, u"Empty"_s);
    // The folders went somewhere the program does not look.
    for (const QString& name : {u"Gone"_s, u"Gone \"too\""_s})
        QVERIFY(QDir().rename(h.hidden() + QLatin1Char('/') + name,
                              h.home.desktop() + u"/moved "_s + name));

    const ReconciliationResult result = h.repair();
    QVERIFY(result.restored.isEmpty() && result.recovered.isEmpty());
    const std::optional<TidoraError> warning = h.reconciliation.missingFoldersWarning(h.stacks);
    QVERIFY(warning);
    QVERIFY(warning->description.startsWith(
        u"The files of \u201CGone\u201D, \u201CGone \"too\"\u201D are missing from "_s +
        h.hidden() + u". "_s));
    // The records stay as they were.
    QCOMPARE(h.stacks.size(), 4);
    QCOMPARE(h.stacks.at(1).folderName, u"Gone"_s);
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::idsAreRandomVersionFourAndNeverRepeat()
{
    // Two operations in one process, each with its own generator, as a launch and a stacking.
    FreshIds first;
    FreshIds second;
    QSet<QUuid> seen;
    for (int i = 0; i < 5000; ++i) {
        for (FreshIds* ids : {&first, &second}) {
            const QUuid id = ids->next();
            QCOMPARE(id.version(), QUuid::Random);
            QCOMPARE(id.variant(), QUuid::DCE);
            QVERIFY(!seen.contains(id));
            seen.insert(id);
        }
    }
}

QTEST_GUILESS_MAIN(TestReconciliation)
#include "tst_reconciliation.moc"
