#include "FaultyFileSystem.h"
#include "LogCapture.h"
#include "TempHome.h"
#include "platform/linux/LinuxPaths.h"
#include "store/StackListCodec.h"
#include "store/StackListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

StackItem item(const QString& name, QByteArray bookmark, QPointF position)
{
    return StackItem{QUuid::createUuid(), name, std::move(bookmark), position};
}

QList<DesktopStack> sampleStacks()
{
    QByteArray everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte.append(char(b));
    DesktopStack photos{QUuid::createUuid(),
                        u"3 Screenshots"_s,
                        u"3 Screenshots"_s,
                        StackState::collapsed,
                        QPointF(0.1 + 0.2, -1e-300),
                        {item(u"Screenshot 1.png"_s, everyByte, QPointF(12, 800)),
                         item(u"na\u00efve \"quoted\" \\ tab\tnewline\n \U0001F4F8 \u0001.txt"_s,
                              QByteArray("x"), QPointF(1e15 + 0.5, 123.456789012345678))}};
    // A record of the old layout: no folder name, spread, no items.
    DesktopStack legacy{QUuid::createUuid(),  u"Old"_s,           std::nullopt,
                        StackState::expanded, QPointF(-40, 7.25), {}};
    return {photos, legacy};
}

// A stacks file in a fresh home.
struct Fixture
{
    TempHome home;
    LinuxPaths paths;
    LocalFileSystem fs;
    StackListFile file{paths, fs};

    // What the next launch reads.
    QList<DesktopStack> reloaded() { return StackListFile(paths, fs).loadStackList(); }
    // The files in the data folder: nothing half-written may be left next to the stacks file.
    QStringList dataFiles() const
    {
        return QDir(paths.dataFolder()).entryList(QDir::Files | QDir::Hidden);
    }
    // A save on a disk with room for `bytes` more (works as root too).
    Status saveOnFullDisk(const QList<DesktopStack>& stacks, qsizetype bytes)
    {
        rlimit old;
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit limited = old;
        limited.rlim_cur = rlim_t(bytes);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &limited);
        const Status saved = file.saveStackList(stacks);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        return saved;
    }
    QString base() { return file.stacksFileURL() + u".base"_s; }
    QString spare() { return file.stacksFileURL() + u".spare"_s; }
    int saveFailuresLogged(const LogCapture& log) const
    {
        return int(log.startingWith(u"Tidorama: could not save stacks: "_s).size());
    }
};

ino_t inode(const QString& path)
{
    struct stat status = {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

const QStringList savedFiles = {u"stacks.json"_s, u"stacks.json.base"_s};
const QStringList savedFilesAndSpare = {u"stacks.json"_s, u"stacks.json.base"_s,
                                        u"stacks.json.inplace-1"_s, u"stacks.json.inplace-2"_s,
                                        u"stacks.json.spare"_s};

QByteArray encodedList(const QList<DesktopStack>& stacks)
{
    QByteArrayList records;
    for (const DesktopStack& stack : stacks)
        records.append(StackListCodec::encodeStack(stack, nullptr).value_or(QByteArray()));
    return '[' + records.join(',') + ']';
}

// A file put at the stacks file's name by rename, as a backup restored or an editor's save.
void replaceStacksFile(Fixture& f, const QByteArray& text)
{
    const QString other = f.home.write(u"restored.json"_s, text);
    QVERIFY(
        QDir().rename(other, f.file.stacksFileURL()) ||
        (QFile::remove(f.file.stacksFileURL()) && QDir().rename(other, f.file.stacksFileURL())));
}

// What a power loss can leave of a file rewritten in place: other bytes in the same file.
void rewriteStacksFileInPlace(Fixture& f, const QByteArray& text)
{
    QFile file(f.file.stacksFileURL());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.write(text) == text.size() && file.resize(text.size()));
}

// The files set aside in the data folder, and what each holds.
QList<QByteArray> setAsideTexts(Fixture& f)
{
    QList<QByteArray> texts;
    const QDir data(f.paths.dataFolder());
    for (const QString& name : data.entryList({u"stacks.json.set-aside-*"_s}))
        texts.append(TempHome::read(data.filePath(name)));
    return texts;
}

} // namespace

class TestStackListFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordsRoundTripExactly();
    void undecodableFileIsSetAsideWhole_data();
    void undecodableFileIsSetAsideWhole();
    void aFailedSaveKeepsTheOldFile_data();
    void aFailedSaveKeepsTheOldFile();
    void laterSavesWriteEveryChange();
    void windowMovesNeverTouchTheBase();
    void aWholeStacksFileIsTheListAndTheBaseOnlyMendsTornWrites();
    void aSaveNotWaitedForLeavesTheDurableListInTheBase();
};

void TestStackListFile::recordsRoundTripExactly()
{
    Fixture f;
    QCOMPARE(f.file.stacksFileURL(), f.home.dataRoot() + u"/Tidorama/stacks.json"_s);
    LogCapture log;
    // No file yet: an empty list, nothing said, nothing made until the first save.
    QVERIFY(f.file.loadStackList().isEmpty());
    QVERIFY(log.lines().isEmpty());
    QVERIFY(!QFile::exists(f.file.stacksFileURL()));
    QVERIFY(f.file.saveStackList({}));
    QCOMPARE(TempHome::read(f.file.stacksFileURL()), QByteArray("[]"));

    const QList<DesktopStack> stacks = sampleStacks();
    QVERIFY(f.file.saveStackList(stacks));
    // A fresh object, as at the next launch.
    const QList<DesktopStack> loaded = f.reloaded();
    QCOMPARE(loaded, stacks);
    QVERIFY(!loaded[1].folderName);
    // Exact, not fuzzily equal.
    QCOMPARE(loaded[0].windowOrigin.x(), 0.1 + 0.2);
    QCOMPARE(loaded[0].windowOrigin.y(), -1e-300);

    // Lower-case ids, a null folder name, integral numbers and keys nobody knows.
    f.home.write(u".local/share/Tidorama/stacks.json"_s, R"([{
        "id": "0f8fad5b-d9cb-469f-a165-70867728950e", "name": "A", "folderName": null,
        "state": "collapsed", "windowOrigin": [10, 20], "colour": "red",
        "items": [{"id": "7C9E6679-7425-40DE-944B-E07FC1F90AE7", "name": "a.txt",
                   "bookmark": "", "position": [1.5, -2], "extra": {"x": 1}}]}])");
    const QList<DesktopStack> lenient = f.reloaded();
    QCOMPARE(lenient.size(), 1);
    QCOMPARE(lenient[0].id, QUuid::fromString(u"0F8FAD5B-D9CB-469F-A165-70867728950E"));
    QVERIFY(!lenient[0].folderName);
    QCOMPARE(lenient[0].items.size(), 1);
    QCOMPARE(lenient[0].items[0].position, QPointF(1.5, -2));
}

void TestStackListFile::undecodableFileIsSetAsideWhole_data()
{
    QTest::addColumn<QByteArray>("text");

    const QByteArray goodStack = R"("id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"A",)"
                                 R"("folderName":"A","state":"collapsed","windowOrigin":[1,2])";
    const QByteArray goodItem = R"("id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7","name":"a.txt",)"
                                R"("bookmark":"AAEC","position":[3,4])";
    const auto replaced = [](QByteArray text, const char* from, const char* to) {
        return text.replace(from, to);
    };
    // One good stack before the bad one: the whole list goes, not only the bad record.
    const QByteArray good =
        R"({"id":"5B1E0B9B-7B1A-4C1F-9D3A-2F1E0B9B7B1A","name":"B","state":"expanded",)"
        R"("windowOrigin":[0,0],"items":[]})";
    const auto list = [&good](const QByteArray& stack, const QByteArray& item) {
        return QByteArray("[" + good + ",{" + stack + ",\"items\":[{" + item + "}]}]");
    };
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("cut short") << list(goodStack, goodItem).chopped(3);
    // What a crash can leave of a file that grew: its new length, the new blocks still zero.
    QTest::newRow("zeros after the list") << list(goodStack, goodItem) + QByteArray(64, '\0');
    QTest::newRow("an object") << QByteArray("{}");
    QTest::newRow("deeply nested") << QByteArray(200000, '[') + QByteArray(200000, ']');
    QTest::newRow("control: decodes") << list(goodStack, goodItem);
    QTest::newRow("missing name") << list(replaced(goodStack, R"("name":"A",)", ""), goodItem);
    QTest::newRow("bookmark not Base64") << list(goodStack, replaced(goodItem, "AAEC", "AA*C"));
    QTest::newRow("number too large") << list(replaced(goodStack, "[1,2]", "[1e999,2]"), goodItem);
    QTest::newRow("item name with slash")
        << list(goodStack, replaced(goodItem, "a.txt", "../../.ssh/id_rsa"));
    QTest::newRow("item name dot dot") << list(goodStack, replaced(goodItem, "a.txt", ".."));
    QTest::newRow("item name with NUL")
        << list(goodStack, replaced(goodItem, "a.txt", "a\\u0000b"));
    QTest::newRow("folder name dot dot")
        << list(replaced(goodStack, R"("folderName":"A")", R"("folderName":"..")"), goodItem);
    QTest::newRow("folder name with slash") << list(
        replaced(goodStack, R"("folderName":"A")", R"("folderName":"../../etc")"), goodItem);
    // Far beyond any real list: read whole, it would hold up the launch.
    QTest::newRow("too large") << list(goodStack, goodItem) +
                                      QByteArray(StackListFile::largestFile, ' ');
    QByteArray stacks = "[";
    for (qsizetype i = 0; i <= StackListFile::mostStacks; ++i)
        stacks += (i ? "," : "") +
                  replaced(good, "5B1E0B9B-7B1A-4C1F-9D3A-2F1E0B9B7B1A",
                           qPrintable(QUuid::createUuid().toString(QUuid::WithoutBraces)));
    QTest::newRow("too many stacks") << stacks + "]";
    QTest::newRow("too many items") << list(
        goodStack, QByteArray(goodItem + "},{").repeated(StackListFile::mostItems) + goodItem);
}

void TestStackListFile::undecodableFileIsSetAsideWhole()
{
    QFETCH(QByteArray, text);
    Fixture f;
    const QString path = f.home.write(u".local/share/Tidorama/stacks.json"_s, text);
    LogCapture log;
    const QList<DesktopStack> loaded = f.file.loadStackList();
    if (QByteArray(QTest::currentDataTag()).startsWith("control")) {
        QCOMPARE(loaded.size(), 2);
        QVERIFY(!f.file.setAside());
        return;
    }
    // The next save cannot overwrite what the user may still want from it.
    QVERIFY(loaded.isEmpty());
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(setAsideTexts(f), QList<QByteArray>{text});
    QVERIFY(f.file.setAside());
    QCOMPARE(TempHome::read(*f.file.setAside()), text);
    QVERIFY(!log.startingWith(u"Tidorama: set the stacks file aside as "_s).isEmpty());
}

namespace {

enum class Failure { notANumber, infinity, diskFull, dataFolderIsAFile };

} // namespace

void TestStackListFile::aFailedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::newRow("NaN") << Failure::notANumber;
    QTest::newRow("infinity") << Failure::infinity;
    QTest::newRow("disk full half-way") << Failure::diskFull;
    QTest::newRow("data folder replaced by a file") << Failure::dataFolderIsAFile;
}

void TestStackListFile::aFailedSaveKeepsTheOldFile()
{
    QFETCH(Failure, failure);
    Fixture f;
    const QList<DesktopStack> saved = sampleStacks();
    QVERIFY(f.file.saveStackList(saved));
    const QByteArray before = TempHome::read(f.file.stacksFileURL());

    QList<DesktopStack> changed = saved;
    changed[1].name = u"Renamed"_s;
    for (int i = 0; i < 200; ++i)
        changed[0].items.append(item(u"f%1"_s.arg(i), QByteArray(100, 'b'), {}));
    QList<DesktopStack> broken = changed;
    LogCapture log;
    switch (failure) {
    case Failure::notANumber:
    case Failure::infinity:
        // One bad number fails the whole save, not only its record.
        broken[0].items[1].position.setY(failure == Failure::infinity
                                             ? std::numeric_limits<double>::infinity()
                                             : std::numeric_limits<double>::quiet_NaN());
        QVERIFY(!f.file.saveStackList(broken));
        break;
    case Failure::diskFull:
        QVERIFY(!f.saveOnFullDisk(changed, before.size() + 100));
        break;
    case Failure::dataFolderIsAFile:
        QVERIFY(QDir(f.paths.dataFolder()).removeRecursively());
        f.home.write(u".local/share/Tidorama"_s, "not a folder");
        QVERIFY(!f.file.saveStackList(changed));
        QCOMPARE(f.saveFailuresLogged(log), 1);
        QCOMPARE(TempHome::read(f.paths.dataFolder()), QByteArray("not a folder"));
        QVERIFY(f.reloaded().isEmpty());
        // Removed while the program runs, the data folder is made again by the next save.
        QVERIFY(QFile::remove(f.paths.dataFolder()));
        QVERIFY(f.file.saveStackList(changed));
        QCOMPARE(f.reloaded(), changed);
        return;
    }
    QCOMPARE(f.saveFailuresLogged(log), 1);
    QCOMPARE(TempHome::read(f.file.stacksFileURL()), before);
    QCOMPARE(f.reloaded(), saved);
    // Nothing half-written is left next to the file, and the next good save writes it all.
    QCOMPARE(f.dataFiles(), savedFiles);
    QVERIFY(f.file.saveStackList(changed));
    QCOMPARE(f.reloaded(), changed);
}

void TestStackListFile::laterSavesWriteEveryChange()
{
    Fixture f;
    QList<DesktopStack> stacks = sampleStacks();
    QVERIFY(f.file.saveStackList(stacks));

    const auto savedAndReloaded = [&] {
        if (!f.file.saveStackList(stacks))
            return false;
        return f.reloaded() == stacks;
    };
    // A change too small for QPointF's fuzzy comparison still reaches the f.file.
    stacks[0].windowOrigin.rx() += 1e-13;
    QVERIFY(savedAndReloaded());
    stacks[1].items.append(item(u"new.txt"_s, "bm", QPointF(5, 5)));
    QVERIFY(savedAndReloaded());
    stacks[0].items[0].bookmark[3] = 'z';
    QVERIFY(savedAndReloaded());
    stacks[1].folderName = u"Old"_s;
    QVERIFY(savedAndReloaded());
    stacks.move(0, 1);
    QVERIFY(savedAndReloaded());
    // Two records with one id (never written by the program) are both kept.
    stacks.append(stacks[0]);
    stacks.last().name = u"Twin"_s;
    QVERIFY(savedAndReloaded());
    stacks.removeFirst();
    QVERIFY(savedAndReloaded());
    stacks.clear();
    QVERIFY(savedAndReloaded());
}

void TestStackListFile::windowMovesNeverTouchTheBase()
{
    Fixture f;
    QList<DesktopStack> stacks = sampleStacks();
    QVERIFY(f.file.saveStackList(stacks));
    const QByteArray base = TempHome::read(f.base());
    QCOMPARE(TempHome::read(f.file.stacksFileURL()), base);
    const ino_t baseInode = inode(f.base());

    // A drag: every step saves, the base stays as it was.
    for (int step = 1; step <= 5; ++step) {
        // Origins of changing lengths: a shorter file must not keep the longer one's tail.
        stacks[step % 2].windowOrigin = QPointF(step % 3 ? 1.0 / step : step, -step);
        QVERIFY(f.file.saveStackList(stacks));
        QCOMPARE(f.reloaded(), stacks);
        QCOMPARE(TempHome::read(f.base()), base);
        QCOMPARE(inode(f.base()), baseInode);
    }
    QCOMPARE(f.dataFiles(), savedFilesAndSpare);
    // What uninstalling removes names all of them, the stacks file first.
    QStringList names;
    for (const QString& path : f.file.ownFiles())
        names.append(QFileInfo(path).fileName());
    QCOMPARE(names.first(), u"stacks.json"_s);
    for (const QString& present : f.dataFiles())
        QVERIFY2(names.contains(present), qPrintable(present));

    // A change of the records goes to a new base that the stacks file names again.
    stacks[0].items.removeLast();
    QVERIFY(f.file.saveStackList(stacks));
    QCOMPARE(f.reloaded(), stacks);
    QCOMPARE(inode(f.file.stacksFileURL()), inode(f.base()));
    stacks[1].windowOrigin += QPointF(0.5, 0);
    QVERIFY(f.file.saveStackList(stacks));
    QCOMPARE(f.reloaded(), stacks);
    // A window move that fails half-way leaves the file as it was.
    const QByteArray moved = TempHome::read(f.file.stacksFileURL());
    stacks[1].windowOrigin += QPointF(1, 0);
    QVERIFY(!f.saveOnFullDisk(stacks, 10));
    QCOMPARE(TempHome::read(f.file.stacksFileURL()), moved);
    QCOMPARE(f.dataFiles(), savedFilesAndSpare);
    // After a failure the next save is a flushed one, whatever it changes.
    stacks[1].windowOrigin += QPointF(1, 0);
    QVERIFY(f.file.saveStackList(stacks));
    QCOMPARE(f.reloaded(), stacks);
    QCOMPARE(inode(f.base()), inode(f.file.stacksFileURL()));
}

void TestStackListFile::aWholeStacksFileIsTheListAndTheBaseOnlyMendsTornWrites()
{
    Fixture f;
    QList<DesktopStack> saved = sampleStacks();
    QVERIFY(f.file.saveStackList(saved));
    QList<DesktopStack> moved = saved;
    moved[0].windowOrigin = QPointF(700.25, 12);
    moved[1].windowOrigin = QPointF(-3, 4);
    QVERIFY(f.file.saveStackList(moved));
    const QByteArray whole = TempHome::read(f.file.stacksFileURL());
    const QString warning =
        u"Tidorama: the stacks file was not written out whole; using the last saved stacks"_s;
    {
        // Written out whole: the newer window origins.
        LogCapture log;
        QCOMPARE(f.reloaded(), moved);
        QVERIFY(log.lines().isEmpty());
    }
    // The file rewritten in place with blocks of an older text mixed in: cut short, garbage
    // after the end, or a text that reads well but names a file differently. Each gives the
    // base, with its older origins. Each is kept aside, in case it was the user's edit.
    QByteArray renamed = whole;
    renamed.replace("Screenshot 1.png", "Screenshott 1.pn");
    QByteArray dropped = whole;
    // The last record has no items: the last record's start is the last `,{"id"`.
    const qsizetype last = dropped.lastIndexOf(",{\"id\"");
    QVERIFY(last > 0);
    dropped.truncate(last);
    dropped.append(']');
    const QByteArrayList torn{whole.left(whole.size() / 2), whole + whole.right(40), QByteArray(),
                              renamed, dropped};
    for (const QByteArray& text : torn) {
        rewriteStacksFileInPlace(f, text);
        LogCapture log;
        QCOMPARE(f.reloaded(), saved);
        QCOMPARE(log.lines().last(), warning);
    }
    QList<QByteArray> aside = setAsideTexts(f);
    std::sort(aside.begin(), aside.end());
    QByteArrayList expected = torn;
    std::sort(expected.begin(), expected.end());
    QCOMPARE(aside, expected);
    for (const QString& name : QDir(f.paths.dataFolder()).entryList({u"*.set-aside-*"_s}))
        QVERIFY(QFile::remove(f.paths.dataFolder() + QLatin1Char('/') + name));

    // A list put there by rename is the list, however it differs from the base: an older
    // backup restored, or a stack taken out by hand.
    QList<DesktopStack> older = saved;
    older[0].items.removeFirst();
    for (const QList<DesktopStack>& restored : {older, QList<DesktopStack>{saved.at(1)}}) {
        replaceStacksFile(f, encodedList(restored));
        LogCapture log;
        QCOMPARE(f.reloaded(), restored);
        QVERIFY(log.lines().isEmpty());
    }
    // One that does not decode is kept aside, and the base stands in for it.
    replaceStacksFile(f, "[{\"id\":");
    QCOMPARE(f.reloaded(), saved);
    QCOMPARE(setAsideTexts(f), QList<QByteArray>{"[{\"id\":"});

    // A base that cannot be read gives way to a stacks file that can, and a stacks file that is
    // gone is not brought back from the base.
    replaceStacksFile(f, whole);
    f.home.write(u".local/share/Tidorama/stacks.json.base"_s, "[{");
    QCOMPARE(f.reloaded(), moved);
    QVERIFY(f.file.saveStackList(saved));
    QVERIFY(QFile::remove(f.file.stacksFileURL()));
    QVERIFY(f.reloaded().isEmpty());
}

void TestStackListFile::aSaveNotWaitedForLeavesTheDurableListInTheBase()
{
    Fixture f;
    const QList<DesktopStack> intent = sampleStacks();
    QVERIFY(f.file.saveStackList(intent));
    QList<DesktopStack> done = intent;
    done[0].items.removeLast();
    QVERIFY(f.file.saveStackList(done, StackListFile::Durability::replaced));
    const QString base = f.file.stacksFileURL() + u".base"_s;
    QVERIFY(inode(f.file.stacksFileURL()) != inode(base));
    QCOMPARE(f.reloaded(), done);
    // A power loss that took the file's data: the base still holds the list saved durably.
    rewriteStacksFileInPlace(f, QByteArray());
    QCOMPARE(f.reloaded(), intent);

    // The next save waits for the disk again, even one that only moves a window.
    done[1].windowOrigin += QPointF(5, 5);
    QVERIFY(f.file.saveStackList(done));
    QCOMPARE(inode(f.file.stacksFileURL()), inode(base));
    QCOMPARE(f.reloaded(), done);
}

QTEST_GUILESS_MAIN(TestStackListFile)
#include "tst_stacklistfile.moc"
