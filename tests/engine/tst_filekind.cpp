#include "TempHome.h"
#include "engine/FileKind.h"
#include "platform/linux/LocalFileSystem.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

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

class TestFileKind : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void classification_data();
    void classification();
    void casesAreInOrderWithDistinctLabels();
    void foldersAndPackages();
    void applicationsAreLaunchersAndAppBundles();
};

void TestFileKind::classification_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Make>("make");
    QTest::addColumn<FileKind>("kind");

    const auto row = [](const char* tag, const QString& name, Make make, FileKind kind) {
        QTest::newRow(tag) << name << make << kind;
    };
    const auto file = [&row](const QString& name, FileKind kind) {
        row(qPrintable(name), name, Make::file, kind);
    };

    // The first rule that matches wins.
    file(u"Screenshot 2024-05-01 at 10.12.44.png"_s, FileKind::screenshots);
    file(u"Screen Recording 2024-05-01.mov"_s, FileKind::screenshots);
    file(u"Screenshot.dmg"_s, FileKind::screenshots);
    row("folder named like a screenshot", u"Screenshots"_s, Make::folder, FileKind::folders);
    row("folder named like an archive", u"photos.zip"_s, Make::folder, FileKind::folders);
    file(u"setup.iso"_s, FileKind::installers);
    file(u"Installer.PKG"_s, FileKind::installers);
    file(u"table.csv"_s, FileKind::documents);

    // Prefixes are case-sensitive and must start the name.
    file(u"screenshot.png"_s, FileKind::images);
    file(u"My Screenshot.png"_s, FileKind::images);

    // Prefixes with letters outside ASCII, composed and decomposed.
    const QString grabacion = u"Grabaci\u00f3n de pantalla 2024.mov"_s;
    const QString snimek = u"Sn\u00edmek obrazovky z 2024.png"_s;
    row("Grabacion composed", grabacion, Make::file, FileKind::screenshots);
    row("Grabacion decomposed", decomposed(grabacion), Make::file, FileKind::screenshots);
    row("Snimek composed", snimek, Make::file, FileKind::screenshots);
    row("Snimek decomposed", decomposed(snimek), Make::file, FileKind::screenshots);
    row("accent missing", u"Grabacion de pantalla.mov"_s, Make::file, FileKind::videos);

    file(u"paper.PDF"_s, FileKind::pdfs);
    file(u"photo.JPG"_s, FileKind::images);
    file(u"scan.heic"_s, FileKind::images);
    file(u"clip.mkv"_s, FileKind::videos);
    file(u"voice.ogg"_s, FileKind::audio);

    // Archives, including the ones the database derives from compression formats.
    for (const char* name : {"bundle.zip", "backup.tar.gz", "backup.tgz", "data.zst", "data.7z",
                             "old.cpio", "tool.jar"})
        file(QString::fromLatin1(name), FileKind::archives);

    // Office documents are ZIP containers underneath, but documents to the user.
    for (const char* name :
         {"letter.docx", "budget.xlsm", "slides.ppsx", "old.sxw", "notes.md", "script.py"})
        file(QString::fromLatin1(name), FileKind::documents);
    file(u"book.epub"_s, FileKind::other);
    file(u"drawing.odg"_s, FileKind::other);

    // The type comes from the extension alone, not from whole-name patterns or the content.
    file(u"README"_s, FileKind::other);
    file(u"mystery.xyz123"_s, FileKind::other);
    file(u"launcher.desktop"_s, FileKind::other);

    // Hostile names.
    row("leading dot only", u".pdf"_s, Make::file, FileKind::other);
    row("hidden pdf", u".hidden.pdf"_s, Make::file, FileKind::pdfs);
    row("trailing dot", u"notes."_s, Make::file, FileKind::other);
    row("newline", u"two\nlines.zip"_s, Make::file, FileKind::archives);
    row("newline in prefix", u"Screen\nshot.png"_s, Make::file, FileKind::images);

    // A link on the Desktop is the link, whatever it points to.
    row("link to folder", u"Projects"_s, Make::linkToFolder, FileKind::other);
    row("link to folder named pdf", u"Projects.pdf"_s, Make::linkToFolder, FileKind::pdfs);
    row("link named like a screenshot", u"Screenshots"_s, Make::linkToFolder,
        FileKind::screenshots);
    row("link to file", u"alias.png"_s, Make::linkToFile, FileKind::images);

    // Gone before it was looked at: judged by its name.
    row("vanished folder", u"Old Stuff"_s, Make::nothing, FileKind::other);
    row("vanished image", u"gone.png"_s, Make::nothing, FileKind::images);
}

void TestFileKind::classification()
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

void TestFileKind::casesAreInOrderWithDistinctLabels()
{
    // Auto-stacking walks the kinds in this order and finds a stack again by its plural label,
    // so no two kinds may share a label.
    QCOMPARE(FileKinds::all.size(), size_t(10));
    QCOMPARE(FileKinds::all.front(), FileKind::folders);
    QCOMPARE(FileKinds::all.back(), FileKind::other);
    QSet<QString> plurals, singulars;
    QSet<FileKind> kinds;
    for (FileKind kind : FileKinds::all) {
        kinds.insert(kind);
        plurals.insert(FileKinds::pluralLabel(kind));
        singulars.insert(FileKinds::singularLabel(kind));
    }
    QCOMPARE(kinds.size(), 10);
    QCOMPARE(plurals.size(), 10);
    QCOMPARE(singulars.size(), 10);
}

void TestFileKind::foldersAndPackages()
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
}

void TestFileKind::applicationsAreLaunchersAndAppBundles()
{
    const QString desktop = u"/home/user/Desktop/"_s;
    for (const char* name :
         {"Tidora.app", "Notes.app", "firefox.desktop", "Krita.AppImage", "Tool.appimage"})
        QVERIFY2(FileKinds::isApplication(desktop + QString::fromLatin1(name)), name);
    // Scripts and data inherit "executable" in the MIME database; they are not applications.
    for (const char* name : {"run.sh", "tool.py", "data.json", "notes.txt", "Notes.APP", "app",
                             ".app", "photo.png", "binary"})
        QVERIFY2(!FileKinds::isApplication(desktop + QString::fromLatin1(name)), name);
}

QTEST_GUILESS_MAIN(TestFileKind)
#include "tst_filekind.moc"
