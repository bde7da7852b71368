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

using namespace Qt::StringLiterals;

namespace {

// Runs the current test row again in a copy of this program as user "nobody": root may write
// where permissions say no. The copy and its home lie where that user can reach them.
void runRowAsNobody()
{
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        QSKIP("no user \"nobody\" to run as");
    QTemporaryDir place(u"/tmp/tidora-test-XXXXXX"_s);
    QVERIFY(place.isValid());
    const QString program = place.filePath(u"test"_s);
    const QString home = place.filePath(u"home"_s);
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QVERIFY(QDir().mkdir(home));
    QCOMPARE(::chmod(QFile::encodeName(place.path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(program).constData(), 0755), 0);
    QCOMPARE(::chown(QFile::encodeName(home).constData(), nobody->pw_uid, nobody->pw_gid), 0);

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, home);
    environment.insert(u"TMPDIR"_s, home);
    child.setProcessEnvironment(environment);
    child.setWorkingDirectory(home);
    child.setProcessChannelMode(QProcess::MergedChannels);
    const QString row = QString::fromUtf8(QTest::currentTestFunction()) + QLatin1Char(':') +
                        QString::fromUtf8(QTest::currentDataTag());
    child.start(u"setpriv"_s,
                {u"--reuid=%1"_s.arg(nobody->pw_uid), u"--regid=%1"_s.arg(nobody->pw_gid),
                 u"--clear-groups"_s, program, row});
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        QFAIL("trashing as \"nobody\" did not finish");
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             qPrintable(output));
    QVERIFY2(output.contains(u"PASS   : TestLocalFileSystem::%1(%2)"_s.arg(
                 QString::fromUtf8(QTest::currentTestFunction()),
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
    void trashRefusalsLeaveTheFile_data();
    void trashRefusalsLeaveTheFile();
    void trashIsTheOneOfTheFilesDrive_data();
    void trashIsTheOneOfTheFilesDrive();
};

void TestLocalFileSystem::moveNeverReplacesNorCopies()
{
    TempHome home;
    LocalFileSystem fs;
    const QString a = home.write(u"Desktop/a.txt"_s, "a");
    const QString b = home.write(u"Desktop/b.txt"_s, "b");
    const Status status = fs.move(a, b);
    QVERIFY(!status);
    QVERIFY(!status.description().isEmpty());
    QCOMPARE(TempHome::read(a), QByteArray("a"));
    QCOMPARE(TempHome::read(b), QByteArray("b"));

    const QString folder = home.makeFolder(u"Desktop/folder"_s);
    home.write(u"Desktop/folder/inner.txt"_s, "inner");
    QVERIFY(fs.move(folder, home.documents() + u"/moved"_s));
    QCOMPARE(TempHome::read(home.documents() + u"/moved/inner.txt"_s), QByteArray("inner"));
    QVERIFY(!fs.move(home.desktop() + u"/missing"_s, home.documents() + u"/x"_s));

    // Across file systems it fails rather than copy.
    struct stat homeInfo, shmInfo;
    if (::stat(QFile::encodeName(home.home()).constData(), &homeInfo) != 0 ||
        ::stat("/dev/shm", &shmInfo) != 0 || homeInfo.st_dev == shmInfo.st_dev)
        QSKIP("no second file system to move across");
    const QString source = home.write(u"Desktop/far.txt"_s, "far");
    const QString target = u"/dev/shm/tidora-test-%1"_s.arg(QCoreApplication::applicationPid());
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
    home.write(u"Desktop/.hidden"_s);
    home.write(u"Desktop/plain.txt"_s);
    const QByteArray raw = QFile::encodeName(home.desktop()) + "/bad\xff\xfe.txt";
    FILE* file = std::fopen(raw.constData(), "w");
    QVERIFY(file);
    std::fclose(file);

    const std::optional<Listing> listing = fs.list(home.desktop());
    QVERIFY(listing);
    QStringList names = listing->names;
    names.sort();
    QCOMPARE(names, (QStringList{u".hidden"_s, u"plain.txt"_s}));
    QCOMPARE(listing->unnamed, 1);
    QVERIFY(!listing->isEmpty());
    QVERIFY(!fs.list(home.desktop() + u"/plain.txt"_s));
    QVERIFY(!fs.list(home.desktop() + u"/missing"_s));
}

void TestLocalFileSystem::resolvingKeepsTheItemItself()
{
    TempHome home;
    LocalFileSystem fs;
    const QString real = home.makeFolder(u"real-desktop"_s);
    QVERIFY(QFile::link(real, home.home() + u"/linked"_s));
    const QString target = home.write(u"elsewhere/target.txt"_s);
    const QString link = real + u"/link.txt"_s;
    QVERIFY(QFile::link(target, link));

    QCOMPARE(fs.resolved(home.home() + u"/linked/../linked/./"_s), real);
    // The link lies in the real folder, whatever it points to.
    QCOMPARE(fs.resolvedParent(home.home() + u"/linked/link.txt"_s), real);
    QCOMPARE(fs.resolved(home.home() + u"/linked/not-yet.txt"_s), real + u"/not-yet.txt"_s);
    QVERIFY(!fs.isDirectory(home.home() + u"/linked"_s));
    QVERIFY(fs.isSymbolicLink(home.home() + u"/linked"_s));
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
        paths.append(home.write(u"Desktop/file %1.txt"_s.arg(i)));
    paths.append(home.makeFolder(u"Desktop/folder"_s));
    QVERIFY(QFile::link(paths.first(), desktop + u"/link"_s));
    QVERIFY(QFile::link(desktop + u"/folder"_s, desktop + u"/to folder"_s));
    QVERIFY(QFile::link(desktop + u"/gone"_s, desktop + u"/dangling"_s));
    QCOMPARE(::mkfifo(QFile::encodeName(desktop + u"/pipe"_s).constData(), 0600), 0);
    for (const char* name : {"link", "to folder", "dangling", "pipe", "missing", "..", "."})
        paths.append(desktop + QLatin1Char('/') + QString::fromUtf8(name));
    // The same file twice, a trailing slash, a file in a folder of few, a name spelt otherwise.
    paths.append(paths.first());
    paths.append(desktop + u"/folder/"_s);
    paths.append(home.write(u"Documents/alone.txt"_s));
    paths.append(desktop + u"/FILE 1.TXT"_s);
    paths.append(u"/"_s);

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
    const QString deep = home.documents() + u"/a/b/c"_s;
    QVERIFY(!fs.makeFolder(deep, false));
    QVERIFY(fs.makeFolder(deep, true));
    QVERIFY(fs.makeFolder(deep, true));
    home.write(u"Documents/a/b/c/keep.txt"_s, "keep");
    QVERIFY(!fs.removeEmptyFolder(deep));
    QVERIFY(!fs.removeFile(deep));
    QCOMPARE(TempHome::read(deep + u"/keep.txt"_s), QByteArray("keep"));
    QVERIFY(fs.removeFile(deep + u"/keep.txt"_s));
    QVERIFY(fs.removeEmptyFolder(deep));
    QVERIFY(!QFileInfo::exists(deep));

    // Folders inside a linked folder, as when Documents is a link to another drive.
    const QString real = home.makeFolder(u"elsewhere"_s);
    QVERIFY(QFile::link(real, home.home() + u"/linked"_s));
    QVERIFY(fs.makeFolder(home.home() + u"/linked/x/y"_s, true));
    QVERIFY(QFileInfo(real + u"/x/y"_s).isDir());
    // A file in the way is still a failure.
    home.write(u"file"_s);
    QVERIFY(!fs.makeFolder(home.home() + u"/file/sub"_s, true));
}

void TestLocalFileSystem::trashRefusalsLeaveTheFile_data()
{
    QTest::addColumn<QString>("trash");
    QTest::addColumn<int>("nameLength");
    QTest::addColumn<QString>("reason");
    QTest::newRow("250-byte name") << QString() << 250 << u"File name too long"_s;
    QTest::newRow("Trash a dangling link") << u"dangling link"_s << 5 << u"Not a directory"_s;
    QTest::newRow("Trash a plain file") << u"plain file"_s << 5 << u"Not a directory"_s;
    QTest::newRow("Trash on another drive")
        << u"other drive"_s << 5 << u"across filesystem boundaries"_s;
    QTest::newRow("info not writable") << u"read-only info"_s << 5 << u"Permission denied"_s;
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
    const QString name = QString(nameLength - 4, QLatin1Char('n')) + u".txt"_s;
    const QString file = home.write(u"Desktop/"_s + name, "kept");
    const QString folder = home.dataRoot() + u"/Trash"_s;
    std::optional<ScratchMount> mount;
    // Writable again after, so that the home can go.
    const auto writable = qScopeGuard([&folder] {
        QFile::setPermissions(folder + u"/info"_s, QFileDevice::ReadOwner |
                                                       QFileDevice::WriteOwner |
                                                       QFileDevice::ExeOwner);
    });
    if (trash == QLatin1String("dangling link")) {
        QVERIFY(QFile::link(home.home() + u"/gone"_s, folder));
    } else if (trash == QLatin1String("plain file")) {
        home.write(u".local/share/Trash"_s, "plain");
    } else if (trash == QLatin1String("other drive")) {
        home.makeFolder(u".local/share/Trash"_s);
        mount.emplace(folder, "tmpfs");
        if (!mount->isMounted())
            QSKIP(qPrintable(u"mounting is not permitted here: "_s + mount->error()));
    } else if (trash == QLatin1String("read-only info")) {
        home.makeFolder(u".local/share/Trash/info"_s);
        QVERIFY(QFile::setPermissions(folder + u"/info"_s,
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
    QVERIFY(!QFileInfo::exists(home.home() + u"/files"_s));
    QVERIFY(QDir(folder + u"/files"_s).isEmpty());
    QVERIFY(QDir(folder + u"/info"_s).isEmpty());
    QVERIFY(!QFileInfo::exists(home.home() + u"/gone"_s));
    if (trash == QLatin1String("plain file"))
        QCOMPARE(TempHome::read(folder), QByteArray("plain"));
}

void TestLocalFileSystem::trashIsTheOneOfTheFilesDrive_data()
{
    QTest::addColumn<bool>("onDrive");
    QTest::addColumn<bool>("sharedTrash");
    QTest::addColumn<QString>("trashFiles");
    const QString uid = QString::number(::geteuid());
    QTest::newRow("home") << false << false << QString();
    QTest::newRow("drive .Trash-uid") << true << false << u"/drive/.Trash-%1/files"_s.arg(uid);
    QTest::newRow("drive .Trash/uid") << true << true << u"/drive/.Trash/%1/files"_s.arg(uid);
}

void TestLocalFileSystem::trashIsTheOneOfTheFilesDrive()
{
    QFETCH(bool, onDrive);
    QFETCH(bool, sharedTrash);
    QFETCH(QString, trashFiles);
    TempHome home;
    std::optional<ScratchMount> mount;
    if (onDrive) {
        mount.emplace(home.makeFolder(u"drive"_s), "ramfs");
        if (!mount->isMounted())
            QSKIP(qPrintable(u"mounting is not permitted here: "_s + mount->error()));
        // The one an administrator makes for every user: sticky, as the rules ask.
        if (sharedTrash)
            QCOMPARE(
                ::mkdir(QFile::encodeName(home.home() + u"/drive/.Trash"_s).constData(), 01777), 0);
    }
    const QString files = onDrive ? home.home() + trashFiles : home.trashFiles();
    const QString name = u"old \"report\".txt"_s;
    const QString relative = (onDrive ? u"drive/"_s : u"Desktop/"_s) + name;
    LocalFileSystem fs;
    // A second file of that name is found in the Trash under the name it got there.
    QStringList trashed;
    for (const QByteArray content : {"old", "new"}) {
        const QString file = home.write(relative, content);
        QString to;
        const Status status = fs.moveToTrash(file, &to);
        QVERIFY2(status, qPrintable(status.description()));
        QVERIFY(!QFile::exists(file));
        QCOMPARE(QFileInfo(to).path(), files);
        QCOMPARE(TempHome::read(to), content);
        QVERIFY(TempHome::read(files + u"/../info/"_s + QFileInfo(to).fileName() + u".trashinfo"_s)
                    .contains("Path="));
        trashed.append(to);
    }
    QCOMPARE(trashed.first(), files + u'/' + name);
    QVERIFY(trashed.first() != trashed.last());
    QVERIFY(!fs.moveToTrash(home.home() + u'/' + relative, nullptr));
    QCOMPARE(QFileInfo::exists(home.trashFiles()), !onDrive);
}

QTEST_GUILESS_MAIN(TestLocalFileSystem)
#include "tst_localfilesystem.moc"
