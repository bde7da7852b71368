#include "FaultyFileSystem.h"
#include "FileInvariant.h"
#include "MemorySettings.h"
#include "RecordingFolderGuard.h"
#include "TempHome.h"
#include "platform/linux/LinuxCloudSync.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LinuxWording.h"
#include "platform/linux/LocalFileSystem.h"
#include "store/DesktopStack.h"
#include "store/ResolvedFolders.h"
#include "store/StorageFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Everything the storage folders need, on a fresh home.
struct Store
{
    TempHome home;
    LinuxPaths paths;
    MemorySettings settings;
    FaultyFileSystem fs;
    RecordingFolderGuard guard;
    LinuxCloudSync cloud{paths};
    Wording wording = linuxWording();
    StorageFolders folders{paths, settings, fs, guard, cloud, wording};

    QString hidden() const { return home.documents() + u"/.Tidora"_s; }
    QString onDesktop() const { return home.desktop() + u"/Tidorama Files"_s; }
};

// The real disk, counting how often it is asked about a path.
class CountingFileSystem : public LocalFileSystem
{
public:
    QString resolved(const QString& path) const override
    {
        ++looks;
        return LocalFileSystem::resolved(path);
    }
    bool isSymbolicLink(const QString& path) const override
    {
        ++looks;
        return LocalFileSystem::isSymbolicLink(path);
    }
    mutable int looks = 0;
};

} // namespace

class TestStorageFolders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void locationFollowsTheSettingAtOnce();
    void sanitizedFolderName_data();
    void sanitizedFolderName();
    void uniqueFolderNameSkipsWhatExists();
    void contentIgnoresOnlyTheTwoExactNames();
    void readmeOfTheUserIsNeverReplacedOrRemoved_data();
    void readmeOfTheUserIsNeverReplacedOrRemoved();
    void readmeIsNeverWrittenThroughALink();
    void storageFolderFailureGoesToTheCaller();
    void protectStackFoldersProtectsFoldersOnly();
    void answersAsTheFileSystemDoesAndResolvesEachFolderOnce();
};

void TestStorageFolders::locationFollowsTheSettingAtOnce()
{
    Store store;
    QCOMPARE(store.folders.currentStorageLocation(), StorageLocation::documents);
    QCOMPARE(store.folders.storageFolder(), store.hidden());

    // A Desktop that Syncthing shares: the default moves to the Desktop.
    store.home.makeFolder(u".stfolder"_s);
    QVERIFY(store.folders.desktopSyncsWithICloud());
    QCOMPARE(store.folders.storageFolder(), store.onDesktop());
    QCOMPARE(store.folders.allStorageFolders(), (QStringList{store.onDesktop(), store.hidden()}));
    // The default is not written back.
    QVERIFY(store.settings.values().isEmpty());

    store.settings.setValue(SettingsKey::storageLocation, u"documents"_s);
    QCOMPARE(store.folders.storageFolder(), store.hidden());
    QCOMPARE(store.folders.allStorageFolders(), (QStringList{store.hidden(), store.onDesktop()}));
    store.settings.setValue(SettingsKey::storageLocation, u"Desktop"_s);
    QCOMPARE(store.folders.currentStorageLocation(), StorageLocation::desktop);
    QDir(store.home.home() + u"/.stfolder"_s).removeRecursively();
    QCOMPARE(store.folders.currentStorageLocation(), StorageLocation::documents);
    store.settings.setValue(SettingsKey::storageLocation, u"desktop"_s);
    QCOMPARE(store.folders.currentStorageLocation(), StorageLocation::desktop);

    DesktopStack stack;
    stack.id = QUuid::fromString(u"0f8fad5b-d9cb-469f-a165-70867728950e");
    const QString legacy =
        store.home.desktop() + u"/.Tidorama/0F8FAD5B-D9CB-469F-A165-70867728950E"_s;
    // A record without a folder name keeps the oldest layout's folder.
    QCOMPARE(store.folders.stackFolderURL(stack), legacy);
    stack.folderName = u"Photos"_s;
    QCOMPARE(store.folders.stackFolderURL(stack), store.onDesktop() + u"/Photos"_s);
    store.settings.setValue(SettingsKey::storageLocation, u"documents"_s);
    QCOMPARE(store.folders.stackFolderURL(stack), store.hidden() + u"/Photos"_s);
}

void TestStorageFolders::sanitizedFolderName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    QTest::newRow("slash and colon") << u"a/b:c"_s << u"a-b-c"_s;
    QTest::newRow("leading spaces and dot") << u"  .hidden"_s << u"hidden"_s;
    QTest::newRow("dots only") << u"..."_s << u"Stack"_s;
    QTest::newRow("Unicode spaces") << u"\u00A0\u2003\u3000Photos\u2028\u0085\n\t"_s << u"Photos"_s;
    QTest::newRow("parent reference") << u"../.."_s << u"-.."_s;
    QTest::newRow("NUL") << u"a"_s + QChar(u'\0') + u"b"_s << u"a-b"_s;
}

void TestStorageFolders::sanitizedFolderName()
{
    QFETCH(QString, name);
    QFETCH(QString, folder);
    QCOMPARE(StorageFolders::sanitizedFolderName(name), folder);
}

void TestStorageFolders::uniqueFolderNameSkipsWhatExists()
{
    Store store;
    QCOMPARE(store.folders.uniqueFolderName(u"Photos"_s), u"Photos"_s);
    store.home.makeFolder(u"Documents/.Tidora/Photos"_s);
    store.home.makeFolder(u"Documents/.Tidora/Photos 2"_s);
    QCOMPARE(store.folders.uniqueFolderName(u"Photos"_s), u"Photos 3"_s);
    QCOMPARE(store.folders.uniqueFolderName(u" Photos/"_s), u"Photos-"_s);
    // A plain file takes the name as well; the records are not asked.
    store.home.write(u"Documents/.Tidora/Notes"_s);
    QCOMPARE(store.folders.uniqueFolderName(u"Notes"_s), u"Notes 2"_s);
    // Only the current storage folder counts.
    store.settings.setValue(SettingsKey::storageLocation, u"desktop"_s);
    QCOMPARE(store.folders.uniqueFolderName(u"Photos"_s), u"Photos"_s);

    // A name too long for the file system is cut, and the counter still fits.
    const QString longName = QString(300, QChar(u'\u00E9'));
    const QString first = store.folders.uniqueFolderName(longName);
    QCOMPARE(first.toUtf8().size(), 254);
    QVERIFY(store.fs.makeFolder(store.onDesktop() + QLatin1Char('/') + first, true));
    const QString second = store.folders.uniqueFolderName(longName);
    QVERIFY(second.endsWith(u" 2"_s));
    QVERIFY(second.toUtf8().size() <= 255);
    QVERIFY(store.fs.makeFolder(store.onDesktop() + QLatin1Char('/') + second, true));
}

void TestStorageFolders::contentIgnoresOnlyTheTwoExactNames()
{
    Store store;
    FileInvariant invariant(store.home);
    const QString folder = store.home.makeFolder(u"Documents/.Tidora/A"_s);
    const auto empty = [&store](const QString& path) {
        const bool answer = store.folders.isEffectivelyEmpty(path);
        return answer == !store.folders.folderHasContent(path) ? answer : false;
    };
    store.home.write(u"Documents/.Tidora/A/.DS_Store"_s);
    store.home.write(u"Documents/.Tidora/A/README.txt"_s);
    QVERIFY(empty(folder));
    for (const char* name : {".DS_store", "readme.txt", ".hidden"}) {
        const QString path =
            store.home.write(u"Documents/.Tidora/A/"_s + QString::fromLatin1(name));
        QVERIFY2(!empty(folder) && store.folders.folderHasContent(folder), name);
        QFile::remove(path);
    }
    // A name that is not UTF-8 cannot be listed by name, and is content all the same.
    const QByteArray raw = QFile::encodeName(folder) + "/\xff\xfe";
    QVERIFY(::close(::open(raw.constData(), O_CREAT | O_WRONLY, 0644)) == 0);
    QVERIFY(!empty(folder) && store.folders.folderHasContent(folder));
    ::unlink(raw.constData());
    // What cannot be listed has no content.
    QVERIFY(empty(store.hidden() + u"/missing"_s));

    // Removing it removes nothing else.
    const QByteArray ours = store.folders.readmeText().toUtf8();
    store.home.write(u"Documents/.Tidora/A/README.txt"_s, ours);
    QVERIFY(store.folders.isEffectivelyEmpty(folder));
    store.folders.removeFolder(folder);
    QVERIFY(!QFileInfo::exists(folder));
    QCOMPARE(store.guard.calls, QStringList{u"unprotect "_s + folder});

    // A file dropped in after the caller looked keeps the folder, protected again.
    store.home.makeFolder(u"Documents/.Tidora/A"_s);
    store.home.write(u"Documents/.Tidora/A/README.txt"_s, ours);
    const QString late = invariant.addFile(u"Documents/.Tidora/A/late.txt"_s);
    store.guard.calls.clear();
    store.folders.removeFolder(folder);
    QVERIFY(QFileInfo::exists(late));
    QCOMPARE(store.guard.calls, (QStringList{u"unprotect "_s + folder, u"protect "_s + folder}));
    // So does a folder that merely carries one of the ignored names.
    const QString other = store.home.makeFolder(u"Documents/.Tidora/Other"_s);
    const QString kept = invariant.addFile(u"Documents/.Tidora/Other/README.txt/kept.txt"_s);
    store.folders.removeFolder(other);
    QVERIFY(QFileInfo::exists(kept));
    TIDORA_CHECK_INVARIANT(invariant);
}

void TestStorageFolders::readmeOfTheUserIsNeverReplacedOrRemoved_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ours");
    Store store;
    const QByteArray here = store.folders.readmeText().toUtf8();
    const QByteArray there = store.folders.readmeText(StorageLocation::desktop).toUtf8();
    QVERIFY(here != there);
    QTest::newRow("ours") << here << true;
    QTest::newRow("ours for the other place") << there << true;
    QTest::newRow("ours with a line added") << here + "my note\n" << false;
    QTest::newRow("the user's notes") << QByteArray("my notes\n") << false;
    QTest::newRow("not UTF-8") << QByteArray("\xff\xfe") << false;
}

// Only a README.txt the program wrote, to the letter, is rewritten or removed.
void TestStorageFolders::readmeOfTheUserIsNeverReplacedOrRemoved()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ours);
    Store store;
    const QString path = store.home.write(u"Documents/.Tidora/README.txt"_s, bytes);
    QVERIFY(store.folders.ensureStorageFolder());
    QCOMPARE(TempHome::read(path), ours ? store.folders.readmeText().toUtf8() : bytes);

    // A folder holding only that README goes with it only when it is ours.
    const QString folder = store.home.makeFolder(u"Documents/.Tidora/Old"_s);
    const QString inside = store.home.write(u"Documents/.Tidora/Old/README.txt"_s, bytes);
    QVERIFY(store.folders.isEffectivelyEmpty(folder));
    store.folders.removeFolder(folder);
    QCOMPARE(QFileInfo::exists(folder), !ours);
    if (!ours)
        QCOMPARE(TempHome::read(inside), bytes);
}

void TestStorageFolders::readmeIsNeverWrittenThroughALink()
{
    Store store;
    const QString outside = store.home.write(u"notes.txt"_s, "mine");
    FileInvariant invariant(store.home);
    store.home.makeFolder(u"Documents/.Tidora"_s);
    QVERIFY(QFile::link(outside, store.hidden() + u"/README.txt"_s));
    QVERIFY(store.folders.ensureStorageFolder());
    QCOMPARE(TempHome::read(outside), QByteArray("mine"));
    QVERIFY(QFileInfo(store.hidden() + u"/README.txt"_s).isSymLink());
    TIDORA_CHECK_INVARIANT(invariant);
}

void TestStorageFolders::storageFolderFailureGoesToTheCaller()
{
    Store store;
    // Documents is a file: the storage folder cannot be made.
    QVERIFY(QDir(store.home.documents()).removeRecursively());
    store.home.write(u"Documents"_s, "a file");
    const Status status = store.folders.ensureStorageFolder();
    QVERIFY(!status);
    QVERIFY(!status.description().isEmpty());
    QVERIFY(store.guard.calls.isEmpty());
    QCOMPARE(TempHome::read(store.home.documents()), QByteArray("a file"));

    // A storage folder deleted while running comes back with the next call.
    QFile::remove(store.home.documents());
    QVERIFY(store.folders.ensureStorageFolder());
    QVERIFY(QFileInfo::exists(store.hidden() + u"/README.txt"_s));
}

void TestStorageFolders::protectStackFoldersProtectsFoldersOnly()
{
    Store store;
    store.folders.protectStackFolders();
    QVERIFY(store.guard.calls.isEmpty());
    store.home.makeFolder(u"Documents/.Tidora/A"_s);
    store.home.makeFolder(u"Documents/.Tidora/.B"_s);
    store.home.write(u"Documents/.Tidora/loose.txt"_s);
    QVERIFY(QFile::link(store.home.desktop(), store.hidden() + u"/link"_s));
    store.folders.protectStackFolders();
    QStringList calls = store.guard.calls;
    QCOMPARE(calls.takeFirst(), u"protect "_s + store.hidden());
    calls.sort();
    QCOMPARE(calls, (QStringList{u"protect "_s + store.hidden() + u"/.B"_s,
                                 u"protect "_s + store.hidden() + u"/A"_s}));
}

void TestStorageFolders::answersAsTheFileSystemDoesAndResolvesEachFolderOnce()
{
    TempHome home;
    CountingFileSystem fs;
    const QString real = home.makeFolder(u"Documents/real"_s);
    QVERIFY(QFile::link(real, home.desktop() + u"/link"_s));
    const QString d = home.desktop();
    // A link to a link, a link inside a linked folder, one that leads nowhere, one to the
    // root, and a file where a folder would be.
    QVERIFY(QFile::link(d + u"/link"_s, d + u"/chain"_s));
    home.makeFolder(u"Documents/real/inner"_s);
    QVERIFY(QFile::link(real + u"/inner"_s, real + u"/jump"_s));
    QVERIFY(QFile::link(d + u"/gone"_s, d + u"/dangling"_s));
    QVERIFY(QFile::link(u"/"_s, d + u"/root"_s));
    home.write(u"Desktop/plain"_s, "x");
    // Clean paths, paths that need cleaning, links on the way and an item that is a link.
    QStringList paths{u"/"_s, u"relative/g.txt"_s};
    for (const char* tail : {"/link/b.txt", "//link//c.txt", "/x/../link/e.txt", "/link/", "/link",
                             "/link/..", "/chain/h.txt", "/chain/jump/i.txt", "/link/jump/j.txt",
                             "/dangling/k.txt", "/root/m.txt", "/plain/o.txt", "/missing/p.txt"})
        paths.append(d + QLatin1String(tail));
    ResolvedFolders parents(fs);
    for (const QString& path : paths) {
        QCOMPARE(parents.parentOf(path), fs.resolvedParent(path));
        QCOMPARE(parents.folder(path), fs.resolved(path));
        // Right after a file of the folder it is written in, as when files come in a row.
        const QString sibling = path.left(path.lastIndexOf(QLatin1Char('/'))) + u"/sibling";
        QCOMPARE(parents.parentOf(sibling), fs.resolvedParent(sibling));
        QCOMPARE(parents.parentOf(path), fs.resolvedParent(path));
    }

    // A thousand files in two folders: the folders are looked at for the first file of each.
    ResolvedFolders fresh(fs);
    QCOMPARE(fresh.parentOf(d + u"/first"_s), d);
    QCOMPARE(fresh.parentOf(d + u"/link/first"_s), real);
    fs.looks = 0;
    for (int i = 0; i < 500; ++i) {
        QCOMPARE(fresh.parentOf(d + u"/file %1"_s.arg(i)), d);
        QCOMPARE(fresh.parentOf(d + u"/link/file %1"_s.arg(i)), real);
    }
    QCOMPARE(fs.looks, 0);
}

QTEST_GUILESS_MAIN(TestStorageFolders)
#include "tst_storagefolders.moc"
