#include "TempHome.h"
#include "TestServices.h"
#include "engine/AutoStacker.h"
#include "engine/FileKind.h"
#include "engine/StackManager.h"
#include "operations/UndoState.h"
#include "platform/linux/LocalFileSystem.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

std::optional<DesktopStack> stackNamed(TestServices& t, const QString& name)
{
    for (const DesktopStack& stack : t.manager().stacks()) {
        if (stack.name == name)
            return stack;
    }
    return std::nullopt;
}

// Runs auto-stack as the menu does, as work, to its end.
void autoStack(TestServices& t)
{
    StackManager& manager = t.manager();
    manager.runAsWork([&manager](WorkToken token) { manager.autoStackByType(std::move(token)); });
    t.scheduler.runUntilIdle();
}

enum class Make { file, folder, linkToFolder, linkToFile, nothing };

// Creates the item on the Desktop of the home and returns its path.
QString place(const TempHome& home, const QString& name, Make make)
{
    const QString path = home.desktop() + QLatin1Char('/') + name;
    switch (make) {
    case Make::file:
        home.write(u"Desktop/"_s + name, "content");
        break;
    case Make::folder:
        home.makeFolder(u"Desktop/"_s + name);
        break;
    case Make::linkToFolder:
        QFile::link(home.makeFolder(u"Documents/target"_s), path);
        break;
    case Make::linkToFile:
        QFile::link(home.write(u"Documents/target.bin"_s, "x"), path);
        break;
    case Make::nothing:
        break;
    }
    return path;
}

// Decomposed (NFD) form, as some file systems and programs write names.
QString decomposed(const QString& name)
{
    return name.normalized(QString::NormalizationForm_D);
}

} // namespace

Q_DECLARE_METATYPE(Make)

class TestAutoStack : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void slotsFillColumnsFromTheTopRight();
    void onlyKindsWithTwoLooseFilesAreStacked();
    void aSecondRunJoinsTheStackOfTheKind();
    void nothingToStackBeepsAndFailuresAndCancelsMoveNothing();
    void classification_data();
    void classification();
    void kindsHaveDistinctLabels();
    void foldersPackagesAndApplications();
};

void TestAutoStack::slotsFillColumnsFromTheTopRight()
{
    // (1000 − 20) ÷ 160 = 6.125: six windows a column.
    const QRectF area(0, 0, 1000, 1000);
    QCOMPARE(AutoStacker::rowsPerColumn(area), 6);
    const qreal right = 1000 - 140 - 20 - 30;
    QCOMPARE(AutoStacker::windowSlot(area, 0), QPointF(right, 840));
    QCOMPARE(AutoStacker::windowSlot(area, 5), QPointF(right, 40));
    QCOMPARE(AutoStacker::windowSlot(area, 6), QPointF(right - 150, 840));
    QCOMPARE(AutoStacker::windowSlot(area, 13), QPointF(right - 300, 680));
    // The area need not start at the origin.
    QCOMPARE(AutoStacker::windowSlot(QRectF(1280, 24, 1000, 1000), 1),
             QPointF(1280 + right, 24 + 680));
    // Too low for one row, or no screen at all: still one window a column.
    QCOMPARE(AutoStacker::rowsPerColumn(QRectF(0, 0, 800, 170)), 1);
    QCOMPARE(AutoStacker::rowsPerColumn(QRectF()), 1);
    QCOMPARE(AutoStacker::windowSlot(QRectF(), 2), QPointF(-160 - 300, -160));
}

void TestAutoStack::onlyKindsWithTwoLooseFilesAreStacked()
{
    TestServices t;
    for (const char* name : {"b.png", "a.jpg", "report.pdf", "x.xyz", "y.xyz", "tool.desktop",
                             "run.desktop", ".dot.png", "secret.png", "Screenshot 1.png"})
        t.addDesktopFile(QString::fromUtf8(name));
    // Hidden through the folder's ".hidden" list, as file managers honour it.
    QFile hidden(t.desktopPath(u".hidden"_s));
    QVERIFY(hidden.open(QIODevice::WriteOnly));
    hidden.write("secret.png\n");
    hidden.close();
    QVERIFY(QDir().mkpath(t.desktopPath(u"Photos"_s)));
    t.invariant.addFile(u"Desktop/Photos/in.png"_s);
    t.invariant.addFile(u"Desktop/Photos/in2.png"_s);
    QVERIFY(QDir().mkpath(t.desktopPath(u"Viewer.app"_s)));
    QVERIFY(QDir().mkpath(t.desktopPath(u"Other Viewer.app"_s)));

    autoStack(t);
    QCOMPARE(t.manager().stacks().size(), 1);
    const DesktopStack images = t.manager().stacks().first();
    QCOMPARE(images.name, u"Images"_s);
    QCOMPARE(TestServices::itemNames(images), (QStringList{u"a.jpg"_s, u"b.png"_s}));
    QCOMPARE(images.windowOrigin, AutoStacker::windowSlot(t.screens.firstVisibleFrame(), 0));
    QCOMPARE(t.windows.window(images.id)->frameOrigin(), images.windowOrigin);
    for (const char* stays :
         {"report.pdf", "x.xyz", "y.xyz", "tool.desktop", "run.desktop", ".dot.png", "secret.png",
          "Screenshot 1.png", "Photos/in.png", "Viewer.app"})
        QVERIFY2(QFileInfo::exists(t.desktopPath(QString::fromUtf8(stays))), stays);
    // Asked before anything moves (and once more by the stacking itself, which a confirmed
    // choice answers at once).
    QCOMPARE(t.firstRun.calls, (QList<bool>{true, true}));
    QVERIFY(!t.manager().undoState().isWorking());
    QVERIFY(t.alerts.shown.isEmpty());
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAutoStack::aSecondRunJoinsTheStackOfTheKind()
{
    TestServices t;
    t.addDesktopFiles({u"Screenshot 1.png"_s, u"Screenshot 2.png"_s, u"a.pdf"_s, u"b.pdf"_s});
    autoStack(t);
    const DesktopStack screenshots = *stackNamed(t, u"Screenshots"_s);
    const DesktopStack pdfs = *stackNamed(t, u"PDFs"_s);
    // In the order of the kinds: the screenshots take the first slot.
    const QRectF area = t.screens.firstVisibleFrame();
    QCOMPARE(screenshots.windowOrigin, AutoStacker::windowSlot(area, 0));
    QCOMPARE(pdfs.windowOrigin, AutoStacker::windowSlot(area, 1));

    // The PDFs are spread: their files lie on the Desktop again but still belong to the stack.
    t.manager().spread(pdfs.id, false);
    t.scheduler.runUntilIdle();
    t.addDesktopFiles({u"Screenshot 3.png"_s, u"Screenshot 0.png"_s, u"c.mp3"_s, u"d.mp3"_s});
    autoStack(t);
    QCOMPARE(t.manager().stacks().size(), 3);
    QCOMPARE(TestServices::itemNames(*t.record(screenshots.id)),
             (QStringList{u"Screenshot 1.png"_s, u"Screenshot 2.png"_s, u"Screenshot 0.png"_s,
                          u"Screenshot 3.png"_s}));
    QCOMPARE(TestServices::itemNames(*t.record(pdfs.id)), (QStringList{u"a.pdf"_s, u"b.pdf"_s}));
    QVERIFY(QFileInfo::exists(t.desktopPath(u"a.pdf"_s)));
    // Joining an existing stack uses up no slot, and a new stack never lands on one already
    // shown: the first slot is taken, so it goes beside it, at the top of the next column.
    QCOMPARE(stackNamed(t, u"Audio"_s)->windowOrigin,
             AutoStacker::windowSlot(area, AutoStacker::rowsPerColumn(area)));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAutoStack::nothingToStackBeepsAndFailuresAndCancelsMoveNothing()
{
    TestServices t;
    t.addDesktopFiles({u"one.pdf"_s, u"one.png"_s});
    autoStack(t);
    QCOMPARE(t.alerts.beeps, 1);
    QVERIFY(t.firstRun.calls.isEmpty());

    t.addDesktopFile(u"two.png"_s);
    t.desktop.setMode(FakeDesktop::Mode::unreachable);
    autoStack(t);
    QCOMPARE(t.alerts.messages(), QStringList{FakeDesktop::unreachableError().description()});
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(!t.manager().undoState().isWorking());

    // Storage on another file system: two kinds, nothing moves, one alert that says why (the
    // same words for both kinds are said once).
    t.alerts.shown.clear();
    t.desktop.setMode(FakeDesktop::Mode::running);
    t.addDesktopFile(u"two.pdf"_s);
    t.fs.failWith(EXDEV);
    t.fs.failMoves([](const QString&, const QString&) { return true; });
    autoStack(t);
    QVERIFY(t.manager().stacks().isEmpty());
    QCOMPARE(t.alerts.messages().size(), 1);
    const QString told = t.alerts.messages().first();
    QVERIFY2(told.startsWith(u"2 of 2 files were not stacked."_s), qPrintable(told));
    QVERIFY2(told.contains(u"is on another file system than the Desktop"_s), qPrintable(told));

    // The first-run question cancelled: asked once, not once for every kind, and nothing moves.
    t.fs.clearFailures();
    t.firstRun.calls.clear();
    t.firstRun.confirm = false;
    autoStack(t);
    QCOMPARE(t.firstRun.calls, QList<bool>{true});
    QVERIFY(t.manager().stacks().isEmpty());
    QVERIFY(!QFileInfo::exists(t.storageFolder()));
    TIDORA_CHECK_INVARIANT(t.invariant);
}

void TestAutoStack::classification_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Make>("make");
    QTest::addColumn<FileKind>("kind");
    const auto row = [](const QString& name, Make make, FileKind kind) {
        static const char* const what[] = {"", " (folder)", " (link to a folder)",
                                           " (link to a file)", " (gone)"};
        QTest::addRow("%s%s", qPrintable(name), what[int(make)]) << name << make << kind;
    };
    const QString grabacion = u"Grabaci\u00f3n de pantalla 2024.mov"_s;
    const QString snimek = u"Sn\u00edmek obrazovky z 2024.png"_s;
    // Files, by the kind they are. The first rule that matches wins; screenshot prefixes are
    // case-sensitive, must start the name, and match composed or decomposed. The type comes from
    // the extension alone (office documents are ZIP containers underneath, but documents to the
    // user), never from whole-name patterns or the content.
    const QList<std::pair<FileKind, QStringList>> files = {
        {FileKind::screenshots,
         {u"Screenshot 2024-05-01 at 10.12.44.png"_s, u"Screen Recording 2024-05-01.mov"_s,
          u"Screenshot.dmg"_s, grabacion, decomposed(grabacion), snimek, decomposed(snimek)}},
        {FileKind::installers, {u"setup.iso"_s, u"Installer.PKG"_s}},
        {FileKind::images,
         {u"screenshot.png"_s, u"My Screenshot.png"_s, u"photo.JPG"_s, u"scan.heic"_s,
          u"Screen\nshot.png"_s}},
        {FileKind::videos, {u"Grabacion de pantalla.mov"_s, u"clip.mkv"_s}},
        {FileKind::pdfs, {u"paper.PDF"_s, u".hidden.pdf"_s}},
        {FileKind::audio, {u"voice.ogg"_s}},
        {FileKind::archives,
         {u"bundle.zip"_s, u"backup.tar.gz"_s, u"backup.tgz"_s, u"data.zst"_s, u"data.7z"_s,
          u"old.cpio"_s, u"tool.jar"_s, u"two\nlines.zip"_s}},
        {FileKind::documents,
         {u"table.csv"_s, u"letter.docx"_s, u"budget.xlsm"_s, u"slides.ppsx"_s, u"old.sxw"_s,
          u"notes.md"_s, u"script.py"_s}},
        {FileKind::other,
         {u"book.epub"_s, u"drawing.odg"_s, u"README"_s, u"mystery.xyz123"_s, u"launcher.desktop"_s,
          u".pdf"_s, u"notes."_s}},
    };
    for (const auto& [kind, names] : files) {
        for (const QString& name : names)
            row(name, Make::file, kind);
    }
    row(u"Screenshots"_s, Make::folder, FileKind::folders);
    row(u"photos.zip"_s, Make::folder, FileKind::folders);
    // A link on the Desktop is the link, whatever it points to.
    row(u"Projects"_s, Make::linkToFolder, FileKind::other);
    row(u"Projects.pdf"_s, Make::linkToFolder, FileKind::pdfs);
    row(u"Screenshots"_s, Make::linkToFolder, FileKind::screenshots);
    row(u"alias.png"_s, Make::linkToFile, FileKind::images);
    // Gone before it was looked at: judged by its name.
    row(u"Old Stuff"_s, Make::nothing, FileKind::other);
    row(u"gone.png"_s, Make::nothing, FileKind::images);
}

void TestAutoStack::classification()
{
    QFETCH(QString, name);
    QFETCH(Make, make);
    QFETCH(FileKind, kind);
    TempHome home;
    const LocalFileSystem fs;
    const QString path = place(home, name, make);
    if (make != Make::nothing)
        QVERIFY2(fs.exists(path), qPrintable(path));
    const FileKind actual = FileKinds::classify(path, fs);
    QCOMPARE(FileKinds::pluralLabel(actual), FileKinds::pluralLabel(kind));
}

void TestAutoStack::kindsHaveDistinctLabels()
{
    // Auto-stacking finds a stack again by its plural label, so no two kinds may share one.
    QSet<QString> plurals, singulars;
    for (FileKind kind : FileKinds::all) {
        plurals.insert(FileKinds::pluralLabel(kind));
        singulars.insert(FileKinds::singularLabel(kind));
    }
    QCOMPARE(size_t(plurals.size()), FileKinds::all.size());
    QCOMPARE(size_t(singulars.size()), FileKinds::all.size());
}

void TestAutoStack::foldersPackagesAndApplications()
{
    TempHome home;
    const LocalFileSystem fs;
    const QString folder = home.makeFolder(u"Desktop/Projects"_s);
    const QString package = home.makeFolder(u"Desktop/Tidora.app"_s);
    home.write(u"Desktop/Tidora.app/Contents/Info.plist"_s, "<plist/>");
    const QString screenshotTool = home.makeFolder(u"Desktop/Screenshot Tool.app"_s);
    const QString dotApp = home.makeFolder(u"Desktop/.app"_s);
    const QString link = place(home, u"Linked"_s, Make::linkToFolder);
    const QString appFile = home.write(u"Desktop/Notes.app"_s, "not a bundle");

    QVERIFY(FileKinds::isPlainFolder(folder, fs));
    QVERIFY(!FileKinds::isPackage(folder, fs));
    // A package is not a folder: it goes on to the name rules.
    QVERIFY(FileKinds::isPackage(package, fs));
    QVERIFY(!FileKinds::isPlainFolder(package, fs));
    QCOMPARE(FileKinds::classify(package, fs), FileKind::other);
    QCOMPARE(FileKinds::classify(screenshotTool, fs), FileKind::screenshots);
    // ".app" has no extension, so it is an ordinary hidden folder.
    QVERIFY(FileKinds::isPlainFolder(dotApp, fs));
    QCOMPARE(FileKinds::classify(dotApp, fs), FileKind::folders);
    // Neither a link to a folder nor a plain file named *.app is a directory.
    QVERIFY(!FileKinds::isPlainFolder(link, fs));
    QVERIFY(!FileKinds::isPackage(link, fs));
    QVERIFY(!FileKinds::isPackage(appFile, fs));
    QVERIFY(!FileKinds::isPlainFolder(home.desktop() + u"/missing"_s, fs));
    // A trailing slash names the same folder.
    QCOMPARE(FileKinds::classify(folder + QLatin1Char('/'), fs), FileKind::folders);
    QCOMPARE(FileKinds::classify(package + QLatin1Char('/'), fs), FileKind::other);

    // Applications are launchers and app bundles, by name.
    const QString desktop = u"/home/user/Desktop/"_s;
    for (const char* name :
         {"Tidora.app", "Notes.app", "firefox.desktop", "Krita.AppImage", "Tool.appimage"})
        QVERIFY2(FileKinds::isApplication(desktop + QString::fromLatin1(name)), name);
    // Scripts and data inherit "executable" in the MIME database; they are not applications.
    for (const char* name : {"run.sh", "tool.py", "data.json", "notes.txt", "Notes.APP", "app",
                             ".app", "photo.png", "binary"})
        QVERIFY2(!FileKinds::isApplication(desktop + QString::fromLatin1(name)), name);
}

QTEST_GUILESS_MAIN(TestAutoStack)
#include "tst_autostack.moc"
