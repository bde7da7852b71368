#include "LaunchHome.h"
#include "store/StackListCodec.h"

#include <QFileInfo>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

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
        h.settings.setValue(SettingsKey::storageLocation, u"documents"_s);
        h.home.write(u"Documents/.Tidora/README.txt"_s, "old readme\n");
        const QString file = h.invariant.addFile(u"Desktop/Tidorama Files/A/a.txt"_s);
        const ReconciliationResult result = h.repair();
        QCOMPARE(h.settings.value(SettingsKey::storageLocation).toString(), u"desktop"_s);
        QCOMPARE(h.invariant.locate(file), file);
        QVERIFY(QFileInfo::exists(h.hidden() + u"/README.txt"_s));
        // Its folder has no record, so it comes back as a stack.
        QCOMPARE(result.recovered, QStringList{u"A"_s});
        TIDORA_CHECK_INVARIANT(h.invariant);
    }
    {
        // And back: the Desktop chosen but only the hidden folder in use.
        LaunchHome h;
        h.settings.setValue(SettingsKey::storageLocation, u"desktop"_s);
        h.addStack(u"A"_s, {u"a.txt"_s});
        h.home.makeFolder(u"Desktop/Tidorama Files"_s);
        (void)h.repair(); // what it chose shows in the settings
        QCOMPARE(h.settings.value(SettingsKey::storageLocation).toString(), u"documents"_s);
        QCOMPARE(h.saves, 0);
        QVERIFY(QFileInfo(h.onDesktop()).isDir());
        TIDORA_CHECK_INVARIANT(h.invariant);
    }
    // With no files anywhere the default is not written.
    LaunchHome h;
    h.home.makeFolder(u"Desktop/Tidorama Files"_s);
    h.home.write(u"Desktop/Tidorama Files/.DS_Store"_s);
    (void)h.repair(); // what it chose shows in the settings
    QVERIFY(h.settings.values().isEmpty());
}

void TestLegacyMigration::bothStorageFoldersInUseAreMerged()
{
    LaunchHome h;
    h.settings.setValue(SettingsKey::storageLocation, u"documents"_s);
    h.addStack(u"Photos"_s, {u"p.jpg"_s});
    // A record whose files are in the other folder, under a name the current one has too.
    h.addStack(u"Photos"_s, {u"q.jpg"_s}, u"Desktop/Tidorama Files/Photos"_s);
    const QString other = h.invariant.addFile(u"Desktop/Tidorama Files/Other/o.txt"_s);
    h.home.write(u"Desktop/Tidorama Files/.DS_Store"_s);
    h.home.write(u"Desktop/Tidorama Files/README.txt"_s,
                 h.folders.readmeText(StorageLocation::desktop).toUtf8());

    const ReconciliationResult result = h.repair();
    QCOMPARE(h.entries(h.hidden()),
             (QStringList{u"Other"_s, u"Photos"_s, u"Photos 2"_s, u"README.txt"_s}));
    QVERIFY(QFileInfo::exists(h.hidden() + u"/Photos 2/q.jpg"_s));
    QCOMPARE(h.invariant.locate(other), h.hidden() + u"/Other/o.txt"_s);
    // Only ".DS_Store" and "README.txt" were left, so the other folder is gone.
    QVERIFY(!QFileInfo::exists(h.onDesktop()));
    QVERIFY(h.guard.calls.contains(u"unprotect "_s + h.onDesktop() + u"/Photos"_s));
    // The record followed its files; the folder nobody listed became a stack.
    QCOMPARE(h.stacks.at(0).folderName, u"Photos"_s);
    QCOMPARE(h.stacks.at(1).folderName, u"Photos 2"_s);
    QCOMPARE(result.recovered, QStringList{u"Other"_s});
    QVERIFY(result.restored.isEmpty());
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestLegacyMigration::olderStorageFoldersAreMerged()
{
    LaunchHome h;
    h.invariant.allowPlace(u"Documents/Tidorama"_s);
    // No storage folder yet: the older one on the Desktop becomes it, whole.
    h.addStack(u"A"_s, {u"a.txt"_s}, u"Desktop/Tidora/A"_s);
    h.home.write(u"Desktop/Tidora/README.txt"_s,
                 h.folders.readmeText(StorageLocation::desktop).toUtf8());
    // The one in Documents is merged into it entry by entry.
    const QString b = h.invariant.addFile(u"Documents/Tidorama/B/b.txt"_s);
    const QString loose = h.invariant.addFile(u"Documents/Tidorama/A.txt"_s);
    h.home.write(u"Documents/Tidorama/.DS_Store"_s);

    const ReconciliationResult result = h.repair();
    QVERIFY(!QFileInfo::exists(h.home.desktop() + u"/Tidora"_s));
    QVERIFY(!QFileInfo::exists(h.home.documents() + u"/Tidorama"_s));
    QCOMPARE(h.invariant.locate(b), h.hidden() + u"/B/b.txt"_s);
    // A loose file comes back in a stack of its own.
    QCOMPARE(h.invariant.locate(loose), h.hidden() + u"/Recovered files/A.txt"_s);
    QCOMPARE(h.stacks.at(0).folderName, u"A"_s);
    QCOMPARE(h.resolvedItem(h.stacks.at(0).items.at(0)), h.hidden() + u"/A/a.txt"_s);
    QCOMPARE(result.recovered, (QStringList{u"B"_s, u"Recovered files"_s}));
    // The README was the old one; the storage folder's own is written anew.
    QCOMPARE(TempHome::read(h.hidden() + u"/README.txt"_s), h.folders.readmeText().toUtf8());
    TIDORA_CHECK_INVARIANT(h.invariant);
}

void TestLegacyMigration::oldestLayoutMovesIntoTheStorageFolder()
{
    LaunchHome h;
    DesktopStack old = h.addStack(u" My: stack/2 "_s, {u"one.txt"_s, u"two.txt"_s},
                                  u"Desktop/.Tidorama/placeholder"_s);
    const QString id = StackListCodec::uuidText(old.id);
    QVERIFY(QDir().rename(h.legacyStacks() + u"/placeholder"_s,
                          h.legacyStacks() + QLatin1Char('/') + id));
    h.stacks[0].folderName.reset();
    h.stacks[0].windowOrigin = QPointF(400, 500);
    // A record whose old folder is gone is left for the later steps.
    h.addRecord(u"Lost"_s, std::nullopt);
    // What no record claims becomes "Recovered files": folders as they are, loose files
    // together in one folder.
    h.invariant.addFile(u"Desktop/.Tidorama/Unknown/u.txt"_s);
    const QString loose = h.invariant.addFile(u"Desktop/.Tidorama/loose.txt"_s);
    h.home.write(u"Desktop/.Tidorama/.DS_Store"_s);

    const ReconciliationResult result = h.repair();
    const DesktopStack& moved = h.stacks.at(0);
    QCOMPARE(moved.folderName, u"My- stack-2"_s);
    QCOMPARE(h.itemNames(moved), (QStringList{u"one.txt"_s, u"two.txt"_s}));
    QCOMPARE(h.resolvedItem(moved.items.at(1)), h.hidden() + u"/My- stack-2/two.txt"_s);
    QVERIFY(moved.items.at(1).bookmark.contains("/My- stack-2/two.txt"));
    QCOMPARE(moved.items.at(0).position, QPointF(0, 40));
    QVERIFY(!h.stacks.at(1).folderName);
    QVERIFY(h.guard.calls.contains(u"protect "_s + h.hidden() + u"/My- stack-2"_s));

    QVERIFY(QFileInfo::exists(h.hidden() + u"/Recovered files/u.txt"_s));
    QCOMPARE(h.invariant.locate(loose), h.hidden() + u"/Recovered files 2/loose.txt"_s);
    QCOMPARE(result.recovered, (QStringList{u"Recovered files"_s, u"Recovered files 2"_s}));
    QCOMPARE(h.itemNames(*h.stackNamed(u"Recovered files 2"_s)), QStringList{u"loose.txt"_s});
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
    const QString own = h.invariant.addFile(u"Desktop/Tidora"_s);
    h.writeOutside(u"Elsewhere/keep.txt"_s);
    h.writeOutside(u"Elsewhere/Stack/in.txt"_s);
    const QString elsewhere = h.home.home() + u"/Elsewhere"_s;
    QVERIFY(QFile::link(elsewhere, h.home.documents() + u"/Tidorama"_s));
    QVERIFY(QFile::link(elsewhere, h.legacyStacks()));
    h.invariant.takeSnapshot();
    h.addRecord(u"Old"_s, std::nullopt);

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
        h.addStack(u"Here"_s, {u"h.txt"_s});
        const QString stuck = h.invariant.addFile(u"Desktop/Tidorama Files/Stuck/s.txt"_s);
        h.invariant.addFile(u"Desktop/Tidorama Files/Moves/m.txt"_s);
        h.fs.failMovesOf(u"Stuck"_s);
        (void)h.repair(); // the failure shows in the log
        const QString path = h.onDesktop() + u"/Stuck"_s;
        QCOMPARE(h.log.startingWith(u"Tidorama: could not"_s),
                 QStringList{u"Tidorama: could not move "_s + path + u": "_s + injected});
        QCOMPARE(h.invariant.locate(stuck), stuck);
        QVERIFY(QFileInfo::exists(h.hidden() + u"/Moves/m.txt"_s));
        const qsizetype unprotected = h.guard.calls.indexOf(u"unprotect "_s + path);
        QVERIFY(unprotected >= 0);
        QCOMPARE(h.guard.calls.at(unprotected + 1), u"protect "_s + path);
        TIDORA_CHECK_INVARIANT(h.invariant);
    }
    {
        // The storage folder cannot be made: the oldest layout stays as it is.
        LaunchHome h;
        DesktopStack old = h.addStack(u"Old"_s, {u"o.txt"_s}, u"Desktop/.Tidorama/placeholder"_s);
        const QString folder =
            h.legacyStacks() + QLatin1Char('/') + StackListCodec::uuidText(old.id);
        QVERIFY(QDir().rename(h.legacyStacks() + u"/placeholder"_s, folder));
        h.stacks[0].folderName.reset();
        const QString stray = h.invariant.addFile(u"Desktop/.Tidorama/Stray/x"_s);
        h.fs.failMakeFolder([&h](const QString& path) { return path == h.hidden(); });
        (void)h.repair(); // the failure shows in the log
        QCOMPARE(h.log.startingWith(u"Tidorama: could not"_s),
                 (QStringList{u"Tidorama: could not move "_s + folder + u": "_s + injected,
                              u"Tidorama: could not recover "_s + h.legacyStacks() + u"/Stray: "_s +
                                  injected}));
        QVERIFY(!h.stacks.at(0).folderName);
        QCOMPARE(h.invariant.locate(stray), stray);
        QVERIFY(QFileInfo::exists(folder + u"/o.txt"_s));
        TIDORA_CHECK_INVARIANT(h.invariant);

        // Once the folder can be made, the move itself fails: logged, and tried again later.
        h.fs.clearFailures();
        h.log.clear();
        h.fs.failMovesOf(StackListCodec::uuidText(old.id));
        (void)h.repair(); // the failure shows in the log
        QCOMPARE(h.log.startingWith(u"Tidorama: could not"_s),
                 QStringList{u"Tidorama: could not move "_s + folder + u": "_s + injected});
        QVERIFY(!h.stacks.at(0).folderName);
        QVERIFY(QFileInfo::exists(folder + u"/o.txt"_s));
        // The stray folder went in meanwhile, and came back as a stack.
        QVERIFY(h.stackNamed(u"Recovered files"_s));
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
    QTest::addColumn<bool>("storageInUse");
    const QString desktop = u"Desktop/Tidora"_s;
    const QString documents = u"Documents/Tidorama"_s;
    const QString other = u"Desktop/Tidorama Files"_s;
    QTest::newRow("user's README and files, new storage") << desktop << Readme::Users << false;
    QTest::newRow("user's README and files") << documents << Readme::Users << true;
    QTest::newRow("loose files, our README") << desktop << Readme::Ours << true;
    QTest::newRow("other storage folder, loose files") << other << Readme::Users << true;
}

// A folder at an older storage place may be the user's own: its README stays where it is, and
// its loose files come back as a stack rather than lying hidden in the storage folder.
void TestLegacyMigration::whatIsTheUsersStaysVisible()
{
    QFETCH(QString, place);
    QFETCH(Readme, readme);
    QFETCH(bool, storageInUse);
    LaunchHome h;
    h.invariant.allowPlace(u"Documents/Tidorama"_s);
    if (storageInUse)
        h.addStack(u"Here"_s, {u"h.txt"_s});
    const QString folder = h.home.home() + QLatin1Char('/') + place;
    const QString sub = h.invariant.addFile(place + u"/Trip/t.jpg"_s);
    const QStringList files = {h.invariant.addFile(place + u"/notes.txt"_s),
                               h.invariant.addFile(place + u"/plan.pdf"_s)};
    const QByteArray users("My own folder.\n");
    const QByteArray text =
        readme == Readme::Users ? users : h.folders.readmeText(StorageLocation::desktop).toUtf8();
    if (readme != Readme::None)
        h.home.write(place + u"/README.txt"_s, text);

    const ReconciliationResult result = h.repair();
    if (readme == Readme::Users) {
        QCOMPARE(TempHome::read(folder + u"/README.txt"_s), users);
        QCOMPARE(h.entries(folder), QStringList{u"README.txt"_s});
        QCOMPARE(TempHome::read(h.hidden() + u"/README.txt"_s), h.folders.readmeText().toUtf8());
    } else {
        QVERIFY(!QFileInfo::exists(folder));
    }
    QCOMPARE(h.invariant.locate(sub), h.hidden() + u"/Trip/t.jpg"_s);
    QVERIFY(h.stackNamed(u"Trip"_s));
    // Every file lies in a stack folder that a record lists, so a window shows it.
    const DesktopStack* recovered = h.stackNamed(u"Recovered files"_s);
    QVERIFY(recovered && result.recovered.contains(u"Recovered files"_s));
    for (const QString& file : files) {
        const QString now = h.invariant.locate(file);
        QCOMPARE(now, h.hidden() + u"/Recovered files/"_s + QFileInfo(file).fileName());
        QVERIFY(std::any_of(recovered->items.cbegin(), recovered->items.cend(),
                            [&](const StackItem& item) { return h.resolvedItem(item) == now; }));
    }
    const QStringList storage = h.entries(h.hidden());
    QVERIFY2(std::all_of(storage.cbegin(), storage.cend(),
                         [&](const QString& name) {
                             return name == u"README.txt"_s ||
                                    QFileInfo(h.hidden() + QLatin1Char('/') + name).isDir();
                         }),
             qPrintable(storage.join(u", "_s)));
    TIDORA_CHECK_INVARIANT(h.invariant);
}

QTEST_GUILESS_MAIN(TestLegacyMigration)
#include "tst_legacymigration.moc"
