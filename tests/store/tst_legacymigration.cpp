#include "LaunchHome.h"
#include "store/StackListCodec.h"

#include <QFileInfo>
#include <QTest>

#include <algorithm>

// Files kept in the other storage folder and in the places of older versions come into the
// storage folder at launch, and the records follow them.
class TestLegacyMigration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settingFollowsTheFolderThatHoldsTheFiles();
    void bothStorageFoldersInUseAreMerged();
    void olderStorageFoldersAreMerged();
    void oldestLayoutMovesIntoTheStorageFolder();
    void oldPlacesThatAreNotFoldersAreLeftAlone();
    void failedMovesAreLoggedAndLeftInPlace();
    void whatIsTheUsersStaysVisible_data();
    void whatIsTheUsersStaysVisible();
};

void TestLegacyMigration::settingFollowsTheFolderThatHoldsTheFiles()
{
    {
        // Documents chosen, the hidden folder empty, the folder on the Desktop in use: the
        // setting moves to the Desktop and nothing is moved.
        LaunchHome h;
        h.settings.setValue(SettingsKey::storageLocation, QStringLiteral("documents"));
        h.home.write(QStringLiteral("Documents/.Tidora/README.txt"), "old readme\n");
        const QString file = h.invariant.addFile(QStringLiteral("Desktop/Tidorama Files/A/a.txt"));
        const ReconciliationResult result = h.repair();
        QCOMPARE(h.settings.value(SettingsKey::storageLocation).toString(),
                 QStringLiteral("desktop"));
        QCOMPARE(h.invariant.locate(file), file);
        QVERIFY(QFileInfo::exists(h.hidden() + QStringLiteral("/README.txt")));
        // Its folder has no record, so it comes back as a stack.
        QCOMPARE(result.recovered, QStringList{QStringLiteral("A")});
        TIDORA_CHECK_INVARIANT(h.invariant);
    }
    {
        // And back: the Desktop chosen but only the hidden folder in use.
        LaunchHome h;
        h.settings.setValue(SettingsKey::storageLocation, QStringLiteral("desktop"));
        h.addStack(QStringLiteral("A"), {QStringLiteral("a.txt")});
        h.home.makeFolder(QStringLiteral("Desktop/Tidorama Files"));
        (void)h.repair(); // what it chose shows in the settings
        QCOMPARE(h.settings.value(SettingsKey::storageLocation).toString(),
                 QStringLiteral("documents"));
        QCOMPARE(h.saves, 0);
        QVERIFY(QFileInfo(h.onDesktop()).isDir());
        TIDORA_CHECK_INVARIANT(h.invariant);
    }
    // With no files anywhere the default is not written.
    LaunchHome h;
    h.home.makeFolder(QStringLiteral("Desktop/Tidorama Files"));
    h.home.write(QStringLiteral("Desktop/Tidorama Files/.DS_Store"));
    (void)h.repair(); // what it chose shows in the settings
    QVERIFY(h.settings.values().isEmpty());
}

void TestLegacyMigration::bothStorageFoldersInUseAreMerged()
{
    LaunchHome h;
    h.settings.setValue(SettingsKey::storageLocation, QStringLiteral("documents"));
    h.addStack(QStringLiteral("Photos"), {QStringLiteral("p.jpg")});
    // A record whose files are in the other folder, under a name the current one has too.
    h.addStack(QStringLiteral("Photos"), {QStringLiteral("q.jpg")},
               QStringLiteral("Desktop/Tidorama Files/Photos"));
    const QString other = h.invariant.addFile(QStringLiteral("Desktop/Tidorama Files/Other/o.txt"));
    h.home.write(QStringLiteral("Desktop/Tidorama Files/.DS_Store"));
    h.home.write(QStringLiteral("Desktop/Tidorama Files/README.txt"),
                 h.folders.readmeText(StorageLocation::desktop).toUtf8());

    const ReconciliationResult result = h.repair();
    QCOMPARE(h.entries(h.hidden()),
             (QStringList{QStringLiteral("Other"), QStringLiteral("Photos"),
                          QStringLiteral("Photos 2"), QStringLiteral("README.txt")}));
    QVERIFY(QFileInfo::exists(h.hidden() + QStringLiteral("/Photos 2/q.jpg")));
    QCOMPARE(h.invariant.locate(other), h.hidden() + QStringLiteral("/Other/o.txt"));
    // Only ".DS_Store" and "README.txt" were left, so the other folder is gone.
    QVERIFY(!QFileInfo::exists(h.onDesktop()));
    QVERIFY(h.guard.calls.contains(QStringLiteral("unprotect ") + h.onDesktop() +
                                   QStringLiteral("/Photos")));
    // The record followed its files; the folder nobody listed became a stack.
    QCOMPARE(h.stacks.at(0).folderName, QStringLiteral("Photos"));
    QCOMPARE(h.stacks.at(1).folderName, QStringLiteral("Photos 2"));
    QCOMPARE(result.recovered, QStringList{QStringLiteral("Other")});
    QVERIFY(result.restored.isEmpty());
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestLegacyMigration::olderStorageFoldersAreMerged()
{
    LaunchHome h;
    h.invariant.allowPlace(QStringLiteral("Documents/Tidorama"));
    // No storage folder yet: the older one on the Desktop becomes it, whole.
    h.addStack(QStringLiteral("A"), {QStringLiteral("a.txt")}, QStringLiteral("Desktop/Tidora/A"));
    h.home.write(QStringLiteral("Desktop/Tidora/README.txt"),
                 h.folders.readmeText(StorageLocation::desktop).toUtf8());
    // The one in Documents is merged into it entry by entry.
    const QString b = h.invariant.addFile(QStringLiteral("Documents/Tidorama/B/b.txt"));
    const QString loose = h.invariant.addFile(QStringLiteral("Documents/Tidorama/A.txt"));
    h.home.write(QStringLiteral("Documents/Tidorama/.DS_Store"));

    const ReconciliationResult result = h.repair();
    QVERIFY(!QFileInfo::exists(h.home.desktop() + QStringLiteral("/Tidora")));
    QVERIFY(!QFileInfo::exists(h.home.documents() + QStringLiteral("/Tidorama")));
    QCOMPARE(h.invariant.locate(b), h.hidden() + QStringLiteral("/B/b.txt"));
    // A loose file comes back in a stack of its own.
    QCOMPARE(h.invariant.locate(loose), h.hidden() + QStringLiteral("/Recovered files/A.txt"));
    QCOMPARE(h.stacks.at(0).folderName, QStringLiteral("A"));
    QCOMPARE(h.resolvedItem(h.stacks.at(0).items.at(0)), h.hidden() + QStringLiteral("/A/a.txt"));
    QCOMPARE(result.recovered,
             (QStringList{QStringLiteral("B"), QStringLiteral("Recovered files")}));
    // The README was the old one; the storage folder's own is written anew.
    QCOMPARE(TempHome::read(h.hidden() + QStringLiteral("/README.txt")),
             h.folders.readmeText().toUtf8());
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestLegacyMigration::oldestLayoutMovesIntoTheStorageFolder()
{
    LaunchHome h;
    DesktopStack old = h.addStack(QStringLiteral(" My: stack/2 "),
                                  {QStringLiteral("one.txt"), QStringLiteral("two.txt")},
                                  QStringLiteral("Desktop/.Tidorama/placeholder"));
    const QString id = StackListCodec::uuidText(old.id);
    QVERIFY(QDir().rename(h.legacyStacks() + QStringLiteral("/placeholder"),
                          h.legacyStacks() + QLatin1Char('/') + id));
    h.stacks[0].folderName.reset();
    h.stacks[0].windowOrigin = QPointF(400, 500);
    // A record whose old folder is gone is left for the later steps.
    h.addRecord(QStringLiteral("Lost"), std::nullopt);
    // What no record claims becomes "Recovered files": folders as they are, loose files
    // together in one folder.
    h.invariant.addFile(QStringLiteral("Desktop/.Tidorama/Unknown/u.txt"));
    const QString loose = h.invariant.addFile(QStringLiteral("Desktop/.Tidorama/loose.txt"));
    h.home.write(QStringLiteral("Desktop/.Tidorama/.DS_Store"));

    const ReconciliationResult result = h.repair();
    const DesktopStack& moved = h.stacks.at(0);
    QCOMPARE(moved.folderName, QStringLiteral("My- stack-2"));
    QCOMPARE(h.itemNames(moved),
             (QStringList{QStringLiteral("one.txt"), QStringLiteral("two.txt")}));
    QCOMPARE(h.resolvedItem(moved.items.at(1)),
             h.hidden() + QStringLiteral("/My- stack-2/two.txt"));
    QVERIFY(moved.items.at(1).bookmark.contains("/My- stack-2/two.txt"));
    QCOMPARE(moved.items.at(0).position, QPointF(0, 40));
    QVERIFY(!h.stacks.at(1).folderName);
    QVERIFY(h.guard.calls.contains(QStringLiteral("protect ") + h.hidden() +
                                   QStringLiteral("/My- stack-2")));

    QVERIFY(QFileInfo::exists(h.hidden() + QStringLiteral("/Recovered files/u.txt")));
    QCOMPARE(h.invariant.locate(loose),
             h.hidden() + QStringLiteral("/Recovered files 2/loose.txt"));
    QCOMPARE(result.recovered,
             (QStringList{QStringLiteral("Recovered files"), QStringLiteral("Recovered files 2")}));
    QCOMPARE(h.itemNames(*h.stackNamed(QStringLiteral("Recovered files 2"))),
             QStringList{QStringLiteral("loose.txt")});
    QVERIFY(!QFileInfo::exists(h.legacyStacks()));
    QVERIFY(h.saves >= 1);
    // The record without a folder is still named to the user only if it has files.
    QVERIFY(!h.reconciliation.missingFoldersWarning(h.stacks));
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestLegacyMigration::oldPlacesThatAreNotFoldersAreLeftAlone()
{
    LaunchHome h;
    // The user's own file called like an older storage folder, and links that would lead the
    // moves out of the user's folders.
    const QString own = h.invariant.addFile(QStringLiteral("Desktop/Tidora"));
    h.writeOutside(QStringLiteral("Elsewhere/keep.txt"));
    h.writeOutside(QStringLiteral("Elsewhere/Stack/in.txt"));
    const QString elsewhere = h.home.home() + QStringLiteral("/Elsewhere");
    QVERIFY(QFile::link(elsewhere, h.home.documents() + QStringLiteral("/Tidorama")));
    QVERIFY(QFile::link(elsewhere, h.legacyStacks()));
    h.invariant.takeSnapshot();
    h.addRecord(QStringLiteral("Old"), std::nullopt);

    const ReconciliationResult result = h.repair();
    QVERIFY(result.recovered.isEmpty() && result.restored.isEmpty());
    QCOMPARE(h.invariant.locate(own), own);
    QVERIFY(!QFileInfo::exists(h.hidden()));
    QVERIFY(QFileInfo(h.legacyStacks()).isSymLink());
    QVERIFY(!h.stacks.at(0).folderName);
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestLegacyMigration::failedMovesAreLoggedAndLeftInPlace()
{
    const QString injected = FaultyFileSystem::injected;
    {
        // One entry of the other storage folder cannot be moved: it stays, protected again,
        // and so does the folder; the rest is merged.
        LaunchHome h;
        h.addStack(QStringLiteral("Here"), {QStringLiteral("h.txt")});
        const QString stuck =
            h.invariant.addFile(QStringLiteral("Desktop/Tidorama Files/Stuck/s.txt"));
        h.invariant.addFile(QStringLiteral("Desktop/Tidorama Files/Moves/m.txt"));
        h.fs.failMovesOf(QStringLiteral("Stuck"));
        (void)h.repair(); // the failure shows in the log
        const QString path = h.onDesktop() + QStringLiteral("/Stuck");
        QCOMPARE(h.log.startingWith(QStringLiteral("Tidorama: could not")),
                 QStringList{QStringLiteral("Tidorama: could not move ") + path +
                             QStringLiteral(": ") + injected});
        QCOMPARE(h.invariant.locate(stuck), stuck);
        QVERIFY(QFileInfo::exists(h.hidden() + QStringLiteral("/Moves/m.txt")));
        const qsizetype unprotected = h.guard.calls.indexOf(QStringLiteral("unprotect ") + path);
        QVERIFY(unprotected >= 0);
        QCOMPARE(h.guard.calls.at(unprotected + 1), QStringLiteral("protect ") + path);
        TIDORA_CHECK_INVARIANT(h.invariant);
    }
    {
        // The storage folder cannot be made: the oldest layout stays as it is.
        LaunchHome h;
        DesktopStack old = h.addStack(QStringLiteral("Old"), {QStringLiteral("o.txt")},
                                      QStringLiteral("Desktop/.Tidorama/placeholder"));
        const QString folder =
            h.legacyStacks() + QLatin1Char('/') + StackListCodec::uuidText(old.id);
        QVERIFY(QDir().rename(h.legacyStacks() + QStringLiteral("/placeholder"), folder));
        h.stacks[0].folderName.reset();
        const QString stray = h.invariant.addFile(QStringLiteral("Desktop/.Tidorama/Stray/x"));
        h.fs.failMakeFolder([&h](const QString& path) { return path == h.hidden(); });
        (void)h.repair(); // the failure shows in the log
        QCOMPARE(h.log.startingWith(QStringLiteral("Tidorama: could not")),
                 (QStringList{QStringLiteral("Tidorama: could not move ") + folder +
                                  QStringLiteral(": ") + injected,
                              QStringLiteral("Tidorama: could not recover ") + h.legacyStacks() +
                                  QStringLiteral("/Stray: ") + injected}));
        QVERIFY(!h.stacks.at(0).folderName);
        QCOMPARE(h.invariant.locate(stray), stray);
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/o.txt")));
        TIDORA_CHECK_INVARIANT(h.invariant);

        // Once the folder can be made, the move itself fails: logged, and tried again later.
        h.fs.clearFailures();
        h.log.clear();
        h.fs.failMovesOf(StackListCodec::uuidText(old.id));
        (void)h.repair(); // the failure shows in the log
        QCOMPARE(h.log.startingWith(QStringLiteral("Tidorama: could not")),
                 QStringList{QStringLiteral("Tidorama: could not move ") + folder +
                             QStringLiteral(": ") + injected});
        QVERIFY(!h.stacks.at(0).folderName);
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/o.txt")));
        // The stray folder went in meanwhile, and came back as a stack.
        QVERIFY(h.stackNamed(QStringLiteral("Recovered files")));
        TIDORA_CHECK_INVARIANT(h.invariant);
    }
}

namespace {

enum class Readme { None, Ours, Users };

} // namespace

void TestLegacyMigration::whatIsTheUsersStaysVisible_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<Readme>("readme");
    QTest::addColumn<bool>("loose");
    QTest::addColumn<bool>("storageInUse");
    const QString desktop = QStringLiteral("Desktop/Tidora");
    const QString documents = QStringLiteral("Documents/Tidorama");
    const QString other = QStringLiteral("Desktop/Tidorama Files");
    QTest::newRow("user's README and files, new storage")
        << desktop << Readme::Users << true << false;
    QTest::newRow("user's README and files") << documents << Readme::Users << true << true;
    QTest::newRow("loose files, our README") << desktop << Readme::Ours << true << true;
    QTest::newRow("other storage folder, loose files") << other << Readme::Users << true << true;
}

// A folder at an older storage place may be the user's own: its README stays where it is, and
// its loose files come back as a stack rather than lying hidden in the storage folder.
void TestLegacyMigration::whatIsTheUsersStaysVisible()
{
    QFETCH(QString, place);
    QFETCH(Readme, readme);
    QFETCH(bool, loose);
    QFETCH(bool, storageInUse);
    LaunchHome h;
    h.invariant.allowPlace(QStringLiteral("Documents/Tidorama"));
    if (storageInUse)
        h.addStack(QStringLiteral("Here"), {QStringLiteral("h.txt")});
    const QString folder = h.home.home() + QLatin1Char('/') + place;
    const QString sub = h.invariant.addFile(place + QStringLiteral("/Trip/t.jpg"));
    QStringList files;
    if (loose) {
        files = {h.invariant.addFile(place + QStringLiteral("/notes.txt")),
                 h.invariant.addFile(place + QStringLiteral("/plan.pdf"))};
    }
    const QByteArray users("My own folder.\n");
    const QByteArray text =
        readme == Readme::Users ? users : h.folders.readmeText(StorageLocation::desktop).toUtf8();
    if (readme != Readme::None)
        h.home.write(place + QStringLiteral("/README.txt"), text);

    const ReconciliationResult result = h.repair();
    if (readme == Readme::Users) {
        QCOMPARE(TempHome::read(folder + QStringLiteral("/README.txt")), users);
        QCOMPARE(h.entries(folder), QStringList{QStringLiteral("README.txt")});
        QCOMPARE(TempHome::read(h.hidden() + QStringLiteral("/README.txt")),
                 h.folders.readmeText().toUtf8());
    } else {
        QVERIFY(!QFileInfo::exists(folder));
    }
    QCOMPARE(h.invariant.locate(sub), h.hidden() + QStringLiteral("/Trip/t.jpg"));
    QVERIFY(h.stackNamed(QStringLiteral("Trip")));
    // Every file lies in a stack folder that a record lists, so a window shows it.
    const DesktopStack* recovered = h.stackNamed(QStringLiteral("Recovered files"));
    QCOMPARE(bool(recovered), loose);
    QCOMPARE(result.recovered.contains(QStringLiteral("Recovered files")), loose);
    for (const QString& file : std::as_const(files)) {
        const QString now = h.invariant.locate(file);
        QCOMPARE(now,
                 h.hidden() + QStringLiteral("/Recovered files/") + QFileInfo(file).fileName());
        QVERIFY(std::any_of(recovered->items.cbegin(), recovered->items.cend(),
                            [&](const StackItem& item) { return h.resolvedItem(item) == now; }));
    }
    const QStringList storage = h.entries(h.hidden());
    QVERIFY2(std::all_of(storage.cbegin(), storage.cend(),
                         [&](const QString& name) {
                             return name == QStringLiteral("README.txt") ||
                                    QFileInfo(h.hidden() + QLatin1Char('/') + name).isDir();
                         }),
             qPrintable(storage.join(QStringLiteral(", "))));
    TIDORA_CHECK_INVARIANT(h.invariant);
}

QTEST_GUILESS_MAIN(TestLegacyMigration)
#include "tst_legacymigration.moc"
