#include "ScratchMount.h"
#include "TempHome.h"
#include "platform/linux/LocalFileSystem.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Runs the current test row again in a copy of this program as user "nobody": root may write
// where permissions say no. The copy and its home lie where that user can reach them.
void runRowAsNobody()
{
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        QSKIP("no user \"nobody\" to run as");
    QTemporaryDir place(QStringLiteral("/tmp/tidora-test-XXXXXX"));
    QVERIFY(place.isValid());
    const QString program = place.filePath(QStringLiteral("test"));
    const QString home = place.filePath(QStringLiteral("home"));
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QVERIFY(QDir().mkdir(home));
    QCOMPARE(::chmod(QFile::encodeName(place.path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(program).constData(), 0755), 0);
    QCOMPARE(::chown(QFile::encodeName(home).constData(), nobody->pw_uid, nobody->pw_gid), 0);

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("TMPDIR"), home);
    child.setProcessEnvironment(environment);
    child.setWorkingDirectory(home);
    child.setProcessChannelMode(QProcess::MergedChannels);
    const QString row = QString::fromUtf8(QTest::currentTestFunction()) + QLatin1Char(':') +
                        QString::fromUtf8(QTest::currentDataTag());
    child.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=%1").arg(nobody->pw_uid),
                                            QStringLiteral("--regid=%1").arg(nobody->pw_gid),
                                            QStringLiteral("--clear-groups"), program, row});
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        QFAIL("trashing as \"nobody\" did not finish");
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             qPrintable(output));
    QVERIFY2(output.contains(QStringLiteral("PASS   : TestLocalFileSystem::%1(%2)")
                                 .arg(QString::fromUtf8(QTest::currentTestFunction()),
                                      QString::fromUtf8(QTest::currentDataTag()))),
             qPrintable(output));
}

} // namespace

class TestLocalFileSystem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void moveNeverReplacesNorCopies();
    void listingCountsNamesThatAreNotUtf8();
    void resolvingKeepsTheItemItself();
    void kindsOfManyFilesAreTheKindsOfEach();
    void foldersAreCreatedAndRemovedOnlyWhenEmpty();
    void trashKeepsAnInfoFile();
    void trashRefusalsLeaveTheFile_data();
    void trashRefusalsLeaveTheFile();
    void trashOnAnotherDriveIsThatDrivesOwn_data();
    void trashOnAnotherDriveIsThatDrivesOwn();
};

void TestLocalFileSystem::moveNeverReplacesNorCopies()
{
    TempHome home;
    LocalFileSystem fs;
    const QString a = home.write(QStringLiteral("Desktop/a.txt"), "a");
    const QString b = home.write(QStringLiteral("Desktop/b.txt"), "b");
    const Status status = fs.move(a, b);
    QVERIFY(!status);
    QVERIFY(!status.description().isEmpty());
    QCOMPARE(TempHome::read(a), QByteArray("a"));
    QCOMPARE(TempHome::read(b), QByteArray("b"));

    const QString folder = home.makeFolder(QStringLiteral("Desktop/folder"));
    home.write(QStringLiteral("Desktop/folder/inner.txt"), "inner");
    QVERIFY(fs.move(folder, home.documents() + QStringLiteral("/moved")));
    QCOMPARE(TempHome::read(home.documents() + QStringLiteral("/moved/inner.txt")),
             QByteArray("inner"));
    QVERIFY(!fs.move(home.desktop() + QStringLiteral("/missing"),
                     home.documents() + QStringLiteral("/x")));

    // Across file systems it fails rather than copy.
    struct stat homeInfo, shmInfo;
    if (::stat(QFile::encodeName(home.home()).constData(), &homeInfo) != 0 ||
        ::stat("/dev/shm", &shmInfo) != 0 || homeInfo.st_dev == shmInfo.st_dev)
        QSKIP("no second file system to move across");
    const QString source = home.write(QStringLiteral("Desktop/far.txt"), "far");
    const QString target =
        QStringLiteral("/dev/shm/tidora-test-%1").arg(QCoreApplication::applicationPid());
    const Status across = fs.move(source, target);
    QVERIFY(!across);
    QVERIFY2(across.description().contains(QLatin1String("never copied")),
             qPrintable(across.description()));
    QVERIFY(!QFile::exists(target));
    QCOMPARE(TempHome::read(source), QByteArray("far"));
}

void TestLocalFileSystem::listingCountsNamesThatAreNotUtf8()
{
    TempHome home;
    LocalFileSystem fs;
    home.write(QStringLiteral("Desktop/.hidden"));
    home.write(QStringLiteral("Desktop/plain.txt"));
    const QByteArray raw = QFile::encodeName(home.desktop()) + "/bad\xff\xfe.txt";
    FILE* file = std::fopen(raw.constData(), "w");
    QVERIFY(file);
    std::fclose(file);

    const std::optional<Listing> listing = fs.list(home.desktop());
    QVERIFY(listing);
    QStringList names = listing->names;
    names.sort();
    QCOMPARE(names, (QStringList{QStringLiteral(".hidden"), QStringLiteral("plain.txt")}));
    QCOMPARE(listing->unnamed, 1);
    QVERIFY(!listing->isEmpty());
    QVERIFY(!fs.list(home.desktop() + QStringLiteral("/plain.txt")));
    QVERIFY(!fs.list(home.desktop() + QStringLiteral("/missing")));
}

void TestLocalFileSystem::resolvingKeepsTheItemItself()
{
    TempHome home;
    LocalFileSystem fs;
    const QString real = home.makeFolder(QStringLiteral("real-desktop"));
    QVERIFY(QFile::link(real, home.home() + QStringLiteral("/linked")));
    const QString target = home.write(QStringLiteral("elsewhere/target.txt"));
    const QString link = real + QStringLiteral("/link.txt");
    QVERIFY(QFile::link(target, link));

    QCOMPARE(fs.resolved(home.home() + QStringLiteral("/linked/../linked/./")), real);
    // The link lies in the real folder, whatever it points to.
    QCOMPARE(fs.resolvedParent(home.home() + QStringLiteral("/linked/link.txt")), real);
    QCOMPARE(fs.resolved(home.home() + QStringLiteral("/linked/not-yet.txt")),
             real + QStringLiteral("/not-yet.txt"));
    QVERIFY(!fs.isDirectory(home.home() + QStringLiteral("/linked")));
    QVERIFY(fs.isSymbolicLink(home.home() + QStringLiteral("/linked")));
    QVERIFY(!fs.isSymbolicLink(target));

    QFile::remove(target);
    QVERIFY(fs.exists(link)); // dangling, but there
    QVERIFY(fs.isSymbolicLink(link));
}

void TestLocalFileSystem::kindsOfManyFilesAreTheKindsOfEach()
{
    TempHome home;
    LocalFileSystem fs;
    const QString desktop = home.desktop();
    QStringList paths;
    // Enough files in one folder for it to be read whole, of every kind.
    for (int i = 0; i < 20; ++i)
        paths.append(home.write(QStringLiteral("Desktop/file %1.txt").arg(i)));
    paths.append(home.makeFolder(QStringLiteral("Desktop/folder")));
    QVERIFY(QFile::link(paths.first(), desktop + QStringLiteral("/link")));
    QVERIFY(
        QFile::link(desktop + QStringLiteral("/folder"), desktop + QStringLiteral("/to folder")));
    QVERIFY(QFile::link(desktop + QStringLiteral("/gone"), desktop + QStringLiteral("/dangling")));
    QCOMPARE(::mkfifo(QFile::encodeName(desktop + QStringLiteral("/pipe")).constData(), 0600), 0);
    for (const char* name : {"link", "to folder", "dangling", "pipe", "missing", "..", "."})
        paths.append(desktop + QLatin1Char('/') + QString::fromUtf8(name));
    // The same file twice, a trailing slash, a file in a folder of few, a name spelt otherwise.
    paths.append(paths.first());
    paths.append(desktop + QStringLiteral("/folder/"));
    paths.append(home.write(QStringLiteral("Documents/alone.txt")));
    paths.append(desktop + QStringLiteral("/FILE 1.TXT"));
    paths.append(QStringLiteral("/"));

    const QList<EntryKind> kinds = fs.kinds(paths);
    QCOMPARE(kinds.size(), paths.size());
    for (qsizetype i = 0; i < paths.size(); ++i)
        QVERIFY2(kinds.at(i) == fs.kind(paths.at(i)), qPrintable(paths.at(i)));
    QCOMPARE(kinds.mid(20, 6), (QList<EntryKind>{EntryKind::directory, EntryKind::symbolicLink,
                                                 EntryKind::symbolicLink, EntryKind::symbolicLink,
                                                 EntryKind::other, EntryKind::missing}));
}

void TestLocalFileSystem::foldersAreCreatedAndRemovedOnlyWhenEmpty()
{
    TempHome home;
    LocalFileSystem fs;
    const QString deep = home.documents() + QStringLiteral("/a/b/c");
    QVERIFY(!fs.makeFolder(deep, false));
    QVERIFY(fs.makeFolder(deep, true));
    QVERIFY(fs.makeFolder(deep, true));
    home.write(QStringLiteral("Documents/a/b/c/keep.txt"), "keep");
    QVERIFY(!fs.removeEmptyFolder(deep));
    QVERIFY(!fs.removeFile(deep));
    QCOMPARE(TempHome::read(deep + QStringLiteral("/keep.txt")), QByteArray("keep"));
    QVERIFY(fs.removeFile(deep + QStringLiteral("/keep.txt")));
    QVERIFY(fs.removeEmptyFolder(deep));
    QVERIFY(!QFileInfo::exists(deep));

    // Folders inside a linked folder, as when Documents is a link to another drive.
    const QString real = home.makeFolder(QStringLiteral("elsewhere"));
    QVERIFY(QFile::link(real, home.home() + QStringLiteral("/linked")));
    QVERIFY(fs.makeFolder(home.home() + QStringLiteral("/linked/x/y"), true));
    QVERIFY(QFileInfo(real + QStringLiteral("/x/y")).isDir());
    // A file in the way is still a failure.
    home.write(QStringLiteral("file"));
    QVERIFY(!fs.makeFolder(home.home() + QStringLiteral("/file/sub"), true));
}

void TestLocalFileSystem::trashKeepsAnInfoFile()
{
    TempHome home;
    LocalFileSystem fs;
    const QString file = home.write(QStringLiteral("Desktop/old \"report\".txt"), "old");
    QString trashed;
    const Status status = fs.moveToTrash(file, &trashed);
    QVERIFY2(status, qPrintable(status.description()));
    QVERIFY(!QFile::exists(file));
    QVERIFY2(trashed.startsWith(home.trashFiles()), qPrintable(trashed));
    QCOMPARE(TempHome::read(trashed), QByteArray("old"));
    const QString info = home.dataRoot() + QStringLiteral("/Trash/info/") +
                         QFileInfo(trashed).fileName() + QStringLiteral(".trashinfo");
    QVERIFY(TempHome::read(info).contains("Path="));
    QVERIFY(!fs.moveToTrash(file, &trashed));

    // A second file of that name is found in the Trash under the name it got there.
    home.write(QStringLiteral("Desktop/old \"report\".txt"), "new");
    QString second;
    QVERIFY(fs.moveToTrash(file, &second));
    QVERIFY2(second.startsWith(home.trashFiles()) && second != trashed, qPrintable(second));
    QCOMPARE(TempHome::read(second), QByteArray("new"));
}

void TestLocalFileSystem::trashRefusalsLeaveTheFile_data()
{
    QTest::addColumn<QString>("trash");
    QTest::addColumn<int>("nameLength");
    QTest::addColumn<QString>("reason");
    QTest::newRow("250-byte name") << QString() << 250 << QStringLiteral("File name too long");
    QTest::newRow("Trash a dangling link")
        << QStringLiteral("dangling link") << 5 << QStringLiteral("Not a directory");
    QTest::newRow("Trash a plain file")
        << QStringLiteral("plain file") << 5 << QStringLiteral("Not a directory");
    QTest::newRow("Trash on another drive")
        << QStringLiteral("other drive") << 5 << QStringLiteral("across filesystem boundaries");
    QTest::newRow("info not writable")
        << QStringLiteral("read-only info") << 5 << QStringLiteral("Permission denied");
}

void TestLocalFileSystem::trashRefusalsLeaveTheFile()
{
    QFETCH(QString, trash);
    QFETCH(int, nameLength);
    QFETCH(QString, reason);
    if (trash == QLatin1String("read-only info") && ::geteuid() == 0)
        return runRowAsNobody();
    TempHome home;
    // Where an autostarted program runs.
    const QString current = QDir::currentPath();
    QVERIFY(QDir::setCurrent(home.home()));
    const auto back = qScopeGuard([&current] { QDir::setCurrent(current); });
    const QString name = QString(nameLength - 4, QLatin1Char('n')) + QStringLiteral(".txt");
    const QString file = home.write(QStringLiteral("Desktop/") + name, "kept");
    const QString folder = home.dataRoot() + QStringLiteral("/Trash");
    std::optional<ScratchMount> mount;
    // Writable again after, so that the home can go.
    const auto writable = qScopeGuard([&folder] {
        QFile::setPermissions(folder + QStringLiteral("/info"), QFileDevice::ReadOwner |
                                                                    QFileDevice::WriteOwner |
                                                                    QFileDevice::ExeOwner);
    });
    if (trash == QLatin1String("dangling link")) {
        QVERIFY(QFile::link(home.home() + QStringLiteral("/gone"), folder));
    } else if (trash == QLatin1String("plain file")) {
        home.write(QStringLiteral(".local/share/Trash"), "plain");
    } else if (trash == QLatin1String("other drive")) {
        home.makeFolder(QStringLiteral(".local/share/Trash"));
        mount.emplace(folder, "tmpfs");
        if (!mount->isMounted())
            QSKIP(qPrintable(QStringLiteral("mounting is not permitted here: ") + mount->error()));
    } else if (trash == QLatin1String("read-only info")) {
        home.makeFolder(QStringLiteral(".local/share/Trash/info"));
        QVERIFY(QFile::setPermissions(folder + QStringLiteral("/info"),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }

    LocalFileSystem fs;
    QString trashed;
    const Status status = fs.moveToTrash(file, &trashed);
    QVERIFY(!status);
    QVERIFY2(status.description().contains(reason), qPrintable(status.description()));
    QVERIFY(trashed.isEmpty());
    QCOMPARE(TempHome::read(file), QByteArray("kept"));
    // Nothing went into a Trash, nor beside the program, and the Trash is as it was.
    QVERIFY(!QFileInfo::exists(home.home() + QStringLiteral("/files")));
    QVERIFY(QDir(folder + QStringLiteral("/files")).isEmpty());
    QVERIFY(QDir(folder + QStringLiteral("/info")).isEmpty());
    QVERIFY(!QFileInfo::exists(home.home() + QStringLiteral("/gone")));
    if (trash == QLatin1String("plain file"))
        QCOMPARE(TempHome::read(folder), QByteArray("plain"));
}

void TestLocalFileSystem::trashOnAnotherDriveIsThatDrivesOwn_data()
{
    QTest::addColumn<bool>("sharedTrash");
    QTest::addColumn<QString>("trashFiles");
    const QString uid = QString::number(::geteuid());
    QTest::newRow(".Trash-uid") << false << QStringLiteral("/.Trash-%1/files").arg(uid);
    QTest::newRow(".Trash/uid") << true << QStringLiteral("/.Trash/%1/files").arg(uid);
}

void TestLocalFileSystem::trashOnAnotherDriveIsThatDrivesOwn()
{
    QFETCH(bool, sharedTrash);
    QFETCH(QString, trashFiles);
    TempHome home;
    const QString drive = home.makeFolder(QStringLiteral("drive"));
    const ScratchMount mount(drive, "ramfs");
    if (!mount.isMounted())
        QSKIP(qPrintable(QStringLiteral("mounting is not permitted here: ") + mount.error()));
    // The one an administrator makes for every user: sticky, as the rules ask.
    if (sharedTrash)
        QCOMPARE(::mkdir(QFile::encodeName(drive + QStringLiteral("/.Trash")).constData(), 01777),
                 0);
    const QString file = drive + QStringLiteral("/far.txt");
    home.write(QStringLiteral("drive/far.txt"), "far");

    LocalFileSystem fs;
    QString trashed;
    const Status status = fs.moveToTrash(file, &trashed);
    QVERIFY2(status, qPrintable(status.description()));
    QCOMPARE(trashed, drive + trashFiles + QStringLiteral("/far.txt"));
    QCOMPARE(TempHome::read(trashed), QByteArray("far"));
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(!QFileInfo::exists(home.trashFiles()));
}

QTEST_GUILESS_MAIN(TestLocalFileSystem)
#include "tst_localfilesystem.moc"
