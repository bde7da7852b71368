#include "LaunchHome.h"
#include "store/StackListFile.h"

#include <QFileInfo>
#include <QTest>

namespace {

const QString reportEnd = QStringLiteral(
    ". Files are never copied or deleted this way; check them in the stacks, or spread them to "
    "the Desktop.");

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
    void aRecordFindsAFolderWithItsOwnName();
    void foldersAreNeverFollowedThroughLinks();
    void unusableNamesStayWhereTheyAre();
    void recoveredStacksStayOnTheScreen();
    void missingFoldersAreNamed();
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
    h.addStack(QStringLiteral("Kept"), {QStringLiteral("k.txt")});
    const QList<DesktopStack> before = h.stacks;
    const ReconciliationResult result = h.repair();
    QCOMPARE(h.saves, 0);
    QCOMPARE(h.stacks, before);
    QVERIFY(!h.reconciliation.launchReport(result));
    QVERIFY(!h.reconciliation.missingFoldersWarning(h.stacks));
    QVERIFY(h.log.lines().isEmpty());
    // The folders are protected once everything is in place.
    QCOMPARE(h.guard.calls.last(),
             QStringLiteral("protect ") + h.hidden() + QStringLiteral("/Kept"));
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::lostStackListIsRebuiltFromTheFolders()
{
    LaunchHome h;
    StackListFile file(h.paths, h.fs);
    h.home.write(QStringLiteral(".local/share/Tidorama/stacks.json"), "[{\"id\": \"broken");
    h.invariant.addFile(QStringLiteral("Documents/.Tidora/B/b1.txt"));
    h.invariant.addFile(QStringLiteral("Documents/.Tidora/A/a2.txt"));
    h.invariant.addFile(QStringLiteral("Documents/.Tidora/A/a1.txt"));
    h.invariant.addFile(QStringLiteral("Documents/.Tidora/loose.txt"));
    h.home.makeFolder(QStringLiteral("Documents/.Tidora/Empty"));
    h.home.write(QStringLiteral("Documents/.Tidora/Only DS/.DS_Store"));

    h.stacks = file.loadStackList();
    QVERIFY(h.stacks.isEmpty());
    const ReconciliationResult result = h.reconciliation.repair(h.stacks, [&] {
        ++h.saves;
        QVERIFY(file.saveStackList(h.stacks));
    });

    QCOMPARE(result.recovered, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    QVERIFY(result.restored.isEmpty());
    QCOMPARE(h.saves, 1);
    QCOMPARE(h.stacks.size(), 2);
    // From the top right of the 1280 × 776 visible frame, A (sorted first) rightmost.
    const DesktopStack& a = h.stacks.at(0);
    QCOMPARE(a.folderName, QStringLiteral("A"));
    QCOMPARE(a.windowOrigin, QPointF(1100, 566));
    QCOMPARE(h.itemNames(a), (QStringList{QStringLiteral("a1.txt"), QStringLiteral("a2.txt")}));
    QCOMPARE(a.items.at(0).position, QPointF(1170, 135));
    QCOMPARE(a.items.at(1).position, QPointF(1194, 159));
    QCOMPARE(h.resolvedItem(a.items.at(1)), h.hidden() + QStringLiteral("/A/a2.txt"));
    const DesktopStack& b = h.stacks.at(1);
    QCOMPARE(b.windowOrigin, QPointF(940, 566));
    QVERIFY(a.id != b.id && !a.id.isNull() && a.items.at(0).id != a.items.at(1).id);

    // Empty folders (".DS_Store" does not count) stay as they are and make no stack.
    QVERIFY(QFileInfo(h.hidden() + QStringLiteral("/Empty")).isDir());
    QVERIFY(QFileInfo::exists(h.hidden() + QStringLiteral("/Only DS/.DS_Store")));

    QCOMPARE(h.reconciliation.launchReport(result)->description,
             QStringLiteral("Tidora checked ") + h.hidden() +
                 QStringLiteral(" and brought files it no longer had a list for back as stacks: "
                                "\u201CA\u201D, \u201CB\u201D") +
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
    h.addStack(QStringLiteral("Notes"), {QStringLiteral("n1.txt"), QStringLiteral("n2.txt")}, {},
               QPointF(200, 300));
    // A bookmark that no longer finds its file: the file of that name is taken instead.
    h.stacks[0].items[1].bookmark = "not a bookmark";
    const QString dropped =
        h.invariant.addFile(QStringLiteral("Documents/.Tidora/Notes/dropped\nname.txt"));
    // A link dropped in is an entry like any file; what it points to is never touched.
    h.writeOutside(QStringLiteral("Elsewhere/target.txt"));
    h.invariant.addSymlink(QStringLiteral("Documents/.Tidora/Notes/link"),
                           h.home.home() + QStringLiteral("/Elsewhere"));
    // A spread stack's folder too: a file added just before a stop is not left hidden there.
    h.addStack(QStringLiteral("Spread"), {});
    h.stacks.last().state = StackState::expanded;
    h.invariant.addFile(QStringLiteral("Documents/.Tidora/Spread/stray.txt"));

    const ReconciliationResult result = h.repair();
    QCOMPARE(result.restored, (QStringList{QStringLiteral("Notes"), QStringLiteral("Spread")}));
    QVERIFY(result.recovered.isEmpty());
    QCOMPARE(h.saves, 1);
    const DesktopStack& notes = h.stacks.at(0);
    QCOMPARE(h.itemNames(notes),
             (QStringList{QStringLiteral("n1.txt"), QStringLiteral("n2.txt"),
                          QStringLiteral("dropped\nname.txt"), QStringLiteral("link")}));
    QCOMPARE(h.resolvedItem(notes.items.at(1)), h.hidden() + QStringLiteral("/Notes/n2.txt"));
    QCOMPARE(h.resolvedItem(notes.items.at(2)), dropped);
    QCOMPARE(h.resolvedItem(notes.items.at(3)), h.hidden() + QStringLiteral("/Notes/link"));
    // Next to the window, one step further for each file the stack already had.
    QCOMPARE(notes.items.at(3).position, QPointF(200 + 70 + 72, 776 - 300 - 75 + 72));
    QCOMPARE(h.itemNames(h.stacks.at(1)), QStringList{QStringLiteral("stray.txt")});
    QCOMPARE(h.stacks.size(), 2);

    QCOMPARE(h.reconciliation.launchReport(result)->description,
             QStringLiteral("Tidora checked ") + h.hidden() +
                 QStringLiteral(" and found files missing from these stacks and put them back in: "
                                "\u201CNotes\u201D, \u201CSpread\u201D") +
                 reportEnd);
    h.saves = 0;
    QVERIFY(h.repair().restored.isEmpty());
    QCOMPARE(h.saves, 0);
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::renamedStackFoldersAreFollowed()
{
    LaunchHome h;
    h.addStack(QStringLiteral("Trip"), {QStringLiteral("t1.jpg"), QStringLiteral("t2.jpg")});
    QVERIFY(QDir().rename(h.hidden() + QStringLiteral("/Trip"),
                          h.hidden() + QStringLiteral("/Holiday")));
    // Two stack folders whose names were swapped by hand.
    h.addStack(QStringLiteral("Left"), {QStringLiteral("l.txt")});
    h.addStack(QStringLiteral("Right"), {QStringLiteral("r.txt")});
    QDir storage(h.hidden());
    QVERIFY(storage.rename(QStringLiteral("Left"), QStringLiteral("swap")));
    QVERIFY(storage.rename(QStringLiteral("Right"), QStringLiteral("Left")));
    QVERIFY(storage.rename(QStringLiteral("swap"), QStringLiteral("Right")));

    const ReconciliationResult result = h.repair();
    QVERIFY(result.restored.isEmpty() && result.recovered.isEmpty());
    QCOMPARE(h.saves, 1);
    QCOMPARE(h.stacks.at(0).name, QStringLiteral("Trip"));
    QCOMPARE(h.stacks.at(0).folderName, QStringLiteral("Holiday"));
    QCOMPARE(h.stacks.at(1).folderName, QStringLiteral("Right"));
    QCOMPARE(h.stacks.at(2).folderName, QStringLiteral("Left"));
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
    h.addStack(QStringLiteral("A"), {QStringLiteral("a2.txt"), QStringLiteral("a1.txt")});
    h.addStack(QStringLiteral("B"), {QStringLiteral("b1.txt")});
    QVERIFY(QFile::rename(h.hidden() + QStringLiteral("/A/a1.txt"),
                          h.hidden() + QStringLiteral("/B/a1.txt")));

    const ReconciliationResult result = h.repair();
    QCOMPARE(h.stacks.size(), 2);
    QCOMPARE(h.stacks.at(0).folderName, QStringLiteral("A"));
    QCOMPARE(h.stacks.at(1).folderName, QStringLiteral("B"));
    QCOMPARE(result.restored, QStringList{QStringLiteral("B")});
    QVERIFY(result.recovered.isEmpty());
    QCOMPARE(h.itemNames(h.stacks.at(1)),
             (QStringList{QStringLiteral("b1.txt"), QStringLiteral("a1.txt")}));

    // Two records that name one folder never take each other's files as missing.
    LaunchHome shared;
    shared.addStack(QStringLiteral("One"), {QStringLiteral("x.txt")});
    shared.addStack(QStringLiteral("Two"), {QStringLiteral("y.txt")},
                    QStringLiteral("Documents/.Tidora/One"));
    shared.stacks[1].folderName = QStringLiteral("One");
    shared.invariant.addFile(QStringLiteral("Documents/.Tidora/One/z.txt"));
    QCOMPARE(shared.repair().restored, QStringList{QStringLiteral("One")});
    QCOMPARE(shared.itemNames(shared.stacks.at(0)),
             (QStringList{QStringLiteral("x.txt"), QStringLiteral("z.txt")}));
    QCOMPARE(shared.itemNames(shared.stacks.at(1)), QStringList{QStringLiteral("y.txt")});
    TIDORA_CHECK_INVARIANT(h.invariant);
    TIDORA_CHECK_INVARIANT(shared.invariant);
}

void TestReconciliation::aRecordFindsAFolderWithItsOwnName()
{
    LaunchHome h;
    h.addRecord(QStringLiteral(" Photos: 2024\n"), QStringLiteral("Gone"));
    h.stacks[0].windowOrigin = QPointF(500, 400);
    h.invariant.addFile(QStringLiteral("Documents/.Tidora/Photos- 2024/p.jpg"));
    // A folder that another record names is not taken.
    h.addStack(QStringLiteral("Taken"), {QStringLiteral("t.txt")});
    h.addRecord(QStringLiteral("Taken"), QStringLiteral("Also gone"));

    const ReconciliationResult result = h.repair();
    QCOMPARE(h.stacks.at(0).folderName, QStringLiteral("Photos- 2024"));
    QCOMPARE(h.itemNames(h.stacks.at(0)), QStringList{QStringLiteral("p.jpg")});
    QCOMPARE(h.stacks.at(0).items.at(0).position, QPointF(570, 776 - 400 - 75));
    QCOMPARE(h.stacks.at(2).folderName, QStringLiteral("Also gone"));
    QCOMPARE(result.restored, QStringList{QStringLiteral(" Photos: 2024\n")});
    QVERIFY(result.recovered.isEmpty());
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::foldersAreNeverFollowedThroughLinks()
{
    LaunchHome h;
    h.writeOutside(QStringLiteral("Elsewhere/outside.txt"));
    const QString elsewhere = h.home.home() + QStringLiteral("/Elsewhere");
    h.home.makeFolder(QStringLiteral("Documents/.Tidora"));
    // A record named ".." must not find "..", and one named like a link must not find the link.
    h.addRecord(QStringLiteral(".."), QStringLiteral("gone 1"));
    QVERIFY(QFile::link(elsewhere, h.hidden() + QStringLiteral("/Linked")));
    h.addRecord(QStringLiteral("Linked"), QStringLiteral("gone 2"));
    // A record whose folder name is a link is not looked into.
    h.addRecord(QStringLiteral("Via link"), QStringLiteral("Linked"));

    const ReconciliationResult result = h.repair();
    QCOMPARE(h.stacks.at(0).folderName, QStringLiteral("gone 1"));
    QCOMPARE(h.stacks.at(1).folderName, QStringLiteral("gone 2"));
    QVERIFY(h.stacks.at(2).items.isEmpty());
    QVERIFY(result.restored.isEmpty() && result.recovered.isEmpty());

    // Nor is a link lying in the storage folder taken for an orphan folder.
    LaunchHome orphan;
    orphan.writeOutside(QStringLiteral("Elsewhere/outside.txt"));
    orphan.home.makeFolder(QStringLiteral("Documents/.Tidora"));
    QVERIFY(QFile::link(orphan.home.home() + QStringLiteral("/Elsewhere"),
                        orphan.hidden() + QStringLiteral("/Linked")));
    QVERIFY(orphan.repair().recovered.isEmpty());
    QVERIFY(orphan.stacks.isEmpty());
    TIDORA_CHECK_INVARIANT(h.invariant);
    TIDORA_CHECK_INVARIANT(orphan.invariant);
}

void TestReconciliation::unusableNamesStayWhereTheyAre()
{
    LaunchHome h;
    h.addStack(QStringLiteral("Kept"), {QStringLiteral("k.txt")});
    QVERIFY(h.writeUnnamed(h.hidden() + QStringLiteral("/Kept")));
    h.home.makeFolder(QStringLiteral("Documents/.Tidora/Odd"));
    QVERIFY(h.writeUnnamed(h.hidden() + QStringLiteral("/Odd")));

    const ReconciliationResult result = h.repair();
    QVERIFY(result.restored.isEmpty() && result.recovered.isEmpty());
    QCOMPARE(h.stacks.size(), 1);
    QCOMPARE(h.stacks.at(0).items.size(), 1);
    QCOMPARE(h.log.startingWith(QStringLiteral("Tidorama: could not")),
             (QStringList{QStringLiteral("Tidorama: could not restore ") + h.hidden() +
                              QStringLiteral("/Kept: 1 item there has a name that is not valid "
                                             "UTF-8"),
                          QStringLiteral("Tidorama: could not recover ") + h.hidden() +
                              QStringLiteral("/Odd: 1 item there has a name that is not valid "
                                             "UTF-8")}));
    QCOMPARE(h.fs.list(h.hidden() + QStringLiteral("/Odd"))->unnamed, 1);
    QCOMPARE(h.fs.list(h.hidden() + QStringLiteral("/Kept"))->unnamed, 1);
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestReconciliation::recoveredStacksStayOnTheScreen()
{
    LaunchHome h;
    for (int i = 1; i <= 9; ++i)
        h.invariant.addFile(QStringLiteral("Documents/.Tidora/F%1/f.txt").arg(i));
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
    h.addStack(QStringLiteral("Spread"), {QStringLiteral("s.txt")}, QStringLiteral("Desktop"));
    h.stacks[0].state = StackState::expanded;
    h.addStack(QStringLiteral("Gone"), {QStringLiteral("g.txt")});
    h.addStack(QStringLiteral("Gone \"too\""), {QStringLiteral("g2.txt")});
    h.addRecord(QStringLiteral("Empty"), QStringLiteral("Empty"));
    // The folders went somewhere the program does not look.
    for (const QString& name : {QStringLiteral("Gone"), QStringLiteral("Gone \"too\"")})
        QVERIFY(QDir().rename(h.hidden() + QLatin1Char('/') + name,
                              h.home.desktop() + QStringLiteral("/moved ") + name));

    const ReconciliationResult result = h.repair();
    QVERIFY(result.restored.isEmpty() && result.recovered.isEmpty());
    const std::optional<TidoraError> warning = h.reconciliation.missingFoldersWarning(h.stacks);
    QVERIFY(warning);
    QVERIFY(warning->description.startsWith(
        QStringLiteral("The files of \u201CGone\u201D, \u201CGone \"too\"\u201D are missing "
                       "from ") +
        h.hidden() + QStringLiteral(". ")));
    // The records stay as they were.
    QCOMPARE(h.stacks.size(), 4);
    QCOMPARE(h.stacks.at(1).folderName, QStringLiteral("Gone"));
    TIDORA_CHECK_INVARIANT(h.invariant);
}

QTEST_GUILESS_MAIN(TestReconciliation)
#include "tst_reconciliation.moc"
