#include "TempHome.h"
#include "engine/FileKind.h"
#include "platform/linux/LocalFileSystem.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

namespace {

enum class Make { file, folder, linkToFolder, linkToFile, nothing };

// Creates the item on the Desktop of the home and returns its path.
QString place(const TempHome& home, const QString& name, Make make)
{
    const QString path = home.desktop() + QLatin1Char('/') + name;
    switch (make) {
    case Make::file:
        home.write(QStringLiteral("Desktop/") + name, "content");
        break;
    case Make::folder:
        home.makeFolder(QStringLiteral("Desktop/") + name);
        break;
    case Make::linkToFolder:
        QFile::link(home.makeFolder(QStringLiteral("Documents/target")), path);
        break;
    case Make::linkToFile:
        QFile::link(home.write(QStringLiteral("Documents/target.bin"), "x"), path);
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
    file(QStringLiteral("Screenshot 2024-05-01 at 10.12.44.png"), FileKind::screenshots);
    file(QStringLiteral("Screen Recording 2024-05-01.mov"), FileKind::screenshots);
    file(QStringLiteral("Screenshot.dmg"), FileKind::screenshots);
    row("folder named like a screenshot", QStringLiteral("Screenshots"), Make::folder,
        FileKind::folders);
    row("folder named like an archive", QStringLiteral("photos.zip"), Make::folder,
        FileKind::folders);
    file(QStringLiteral("setup.iso"), FileKind::installers);
    file(QStringLiteral("table.csv"), FileKind::documents);

    // Prefixes are case-sensitive and must start the name.
    file(QStringLiteral("screenshot.png"), FileKind::images);
    file(QStringLiteral("My Screenshot.png"), FileKind::images);

    // Prefixes with letters outside ASCII, composed and decomposed.
    const QString grabacion = QStringLiteral("Grabaci\u00f3n de pantalla 2024.mov");
    const QString snimek = QStringLiteral("Sn\u00edmek obrazovky z 2024.png");
    row("Grabacion composed", grabacion, Make::file, FileKind::screenshots);
    row("Grabacion decomposed", decomposed(grabacion), Make::file, FileKind::screenshots);
    row("Snimek composed", snimek, Make::file, FileKind::screenshots);
    row("Snimek decomposed", decomposed(snimek), Make::file, FileKind::screenshots);
    row("accent missing", QStringLiteral("Grabacion de pantalla.mov"), Make::file,
        FileKind::videos);

    file(QStringLiteral("paper.PDF"), FileKind::pdfs);
    file(QStringLiteral("photo.JPG"), FileKind::images);
    file(QStringLiteral("scan.heic"), FileKind::images);
    file(QStringLiteral("clip.mkv"), FileKind::videos);
    file(QStringLiteral("voice.ogg"), FileKind::audio);

    // Archives, including the ones the database derives from compression formats.
    for (const char* name : {"bundle.zip", "backup.tar.gz", "backup.tgz", "data.zst", "data.7z",
                             "old.cpio", "tool.jar"})
        file(QString::fromLatin1(name), FileKind::archives);

    // Office documents are ZIP containers underneath, but documents to the user.
    for (const char* name :
         {"letter.docx", "budget.xlsm", "slides.ppsx", "old.sxw", "notes.md", "script.py"})
        file(QString::fromLatin1(name), FileKind::documents);
    file(QStringLiteral("book.epub"), FileKind::other);
    file(QStringLiteral("drawing.odg"), FileKind::other);

    // The type comes from the extension alone, not from whole-name patterns or the content.
    file(QStringLiteral("README"), FileKind::other);
    file(QStringLiteral("mystery.xyz123"), FileKind::other);
    file(QStringLiteral("launcher.desktop"), FileKind::other);

    // Hostile names.
    row("leading dot only", QStringLiteral(".pdf"), Make::file, FileKind::other);
    row("hidden pdf", QStringLiteral(".hidden.pdf"), Make::file, FileKind::pdfs);
    row("trailing dot", QStringLiteral("notes."), Make::file, FileKind::other);
    row("newline", QStringLiteral("two\nlines.zip"), Make::file, FileKind::archives);
    row("newline in prefix", QStringLiteral("Screen\nshot.png"), Make::file, FileKind::images);

    // A link on the Desktop is the link, whatever it points to.
    row("link to folder", QStringLiteral("Projects"), Make::linkToFolder, FileKind::other);
    row("link to folder named pdf", QStringLiteral("Projects.pdf"), Make::linkToFolder,
        FileKind::pdfs);
    row("link named like a screenshot", QStringLiteral("Screenshots"), Make::linkToFolder,
        FileKind::screenshots);
    row("link to file", QStringLiteral("alias.png"), Make::linkToFile, FileKind::images);

    // Gone before it was looked at: judged by its name.
    row("vanished folder", QStringLiteral("Old Stuff"), Make::nothing, FileKind::other);
    row("vanished image", QStringLiteral("gone.png"), Make::nothing, FileKind::images);
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
    const QString folder = home.makeFolder(QStringLiteral("Desktop/Projects"));
    const QString package = home.makeFolder(QStringLiteral("Desktop/Tidora.app"));
    home.write(QStringLiteral("Desktop/Tidora.app/Contents/Info.plist"), "<plist/>");
    const QString screenshotTool = home.makeFolder(QStringLiteral("Desktop/Screenshot Tool.app"));
    const QString dotApp = home.makeFolder(QStringLiteral("Desktop/.app"));
    const QString link = place(home, QStringLiteral("Linked"), Make::linkToFolder);
    const QString appFile = home.write(QStringLiteral("Desktop/Notes.app"), "not a bundle");

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
    QVERIFY(!FileKinds::isPlainFolder(home.desktop() + QStringLiteral("/missing"), fs));
    // A trailing slash names the same folder.
    QCOMPARE(FileKinds::classify(folder + QLatin1Char('/'), fs), FileKind::folders);
    QCOMPARE(FileKinds::classify(package + QLatin1Char('/'), fs), FileKind::other);
}

void TestFileKind::applicationsAreLaunchersAndAppBundles()
{
    const QString desktop = QStringLiteral("/home/user/Desktop/");
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
