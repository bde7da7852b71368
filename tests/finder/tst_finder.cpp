#include "DesktopSelection.h"
#include "HandOverWriter.h"
#include "TempHome.h"
#include "platform/linux/SelectionHandOver.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

using Paths = QList<QByteArray>;

QByteArray bytes(const QString& path)
{
    return QFile::encodeName(path);
}

std::optional<Paths> itemsOf(const TempHome& home, const Paths& arguments,
                             const QByteArray& workingFolder = {})
{
    return DesktopSelection::desktopItems(arguments, bytes(home.desktop()), workingFolder);
}

} // namespace

class TestFinder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onlyDesktopItemsAreHandedOver();
    void linksAreResolvedOnTheParentOnly();
    void hostileNamesSurviveTheHandOver();
    void handOverStaysInTheUsersOwnFolder();
    void theProgramHandsOverDesktopItemsOnly();
};

void TestFinder::onlyDesktopItemsAreHandedOver()
{
    TempHome home;
    const QByteArray desktop = bytes(home.desktop());
    const QByteArray one = bytes(home.write(u"Desktop/one.txt"_s));
    const QByteArray folder = bytes(home.makeFolder(u"Desktop/Folder"_s));

    QCOMPARE(itemsOf(home, {one}), std::optional(Paths{one}));
    // Folders count as items, with or without the trailing slash a file manager may add;
    // repeated items count once.
    QCOMPARE(itemsOf(home, {one, folder + '/', one}), std::optional(Paths{one, folder}));
    // The way each file manager passes them: names relative to the folder a script runs in,
    // and file URIs with or without a host.
    QCOMPARE(itemsOf(home, {"one.txt", "./Folder"}, desktop), std::optional(Paths{one, folder}));
    QCOMPARE(itemsOf(home, {"file://" + desktop + "/one.txt",
                            "file://localhost" + desktop + "/Fol%64er"}),
             std::optional(Paths{one, folder}));
    // Only the parent has to be there: whether the file is, is Tidora's to judge.
    QCOMPARE(itemsOf(home, {desktop + "/gone.txt"}), std::optional(Paths{desktop + "/gone.txt"}));

    // Anything refused gives nothing at all.
    const QByteArray inside = bytes(home.write(u"Desktop/Folder/inside.txt"_s));
    const QByteArray elsewhere = bytes(home.write(u"Documents/elsewhere.txt"_s));

    // Nothing, items not directly on the Desktop, the Desktop itself, names that are not a
    // Desktop item, other places and other machines.
    const QList<Paths> refused{{},
                               {inside},
                               {elsewhere},
                               {elsewhere, one},
                               {desktop},
                               {desktop + "/.."},
                               {desktop + "/Folder/.."},
                               {"trash:///one.txt"},
                               {"sftp://host" + desktop + "/one.txt"},
                               {"file://elsewhere" + desktop + "/one.txt"},
                               {"file://" + desktop + "/one%00.txt"},
                               {"one.txt"}};
    for (const Paths& arguments : refused)
        QVERIFY2(!itemsOf(home, arguments), arguments.join(' ').constData());
    // A relative name is taken from the folder the action runs in, not from the Desktop.
    QVERIFY(!itemsOf(home, {"one.txt"}, bytes(home.documents())));
    QVERIFY(!itemsOf(home, {"inside.txt"}, desktop + "/Folder"));
}

void TestFinder::linksAreResolvedOnTheParentOnly()
{
    TempHome home;
    // The Desktop folder is a link to a folder elsewhere, as some users keep it.
    const QString real = home.makeFolder(u"Data/RealDesktop"_s);
    QVERIFY(QDir(home.desktop()).removeRecursively());
    QVERIFY(QFile::link(real, home.desktop()));
    const QByteArray desktop = bytes(home.desktop());
    home.write(u"Data/RealDesktop/a.txt"_s);

    // Reached through the link or through the real folder, it is the same Desktop item, and
    // it is handed over under the Desktop as Tidora knows it.
    QCOMPARE(itemsOf(home, {desktop + "/a.txt", bytes(real) + "/a.txt"}),
             std::optional(Paths{desktop + "/a.txt"}));
    // A link lying on the Desktop is an item there, wherever it points.
    const QString away = home.write(u"Documents/away.txt"_s);
    QVERIFY(QFile::link(away, real + u"/to-away"_s));
    QCOMPARE(itemsOf(home, {desktop + "/to-away"}), std::optional(Paths{desktop + "/to-away"}));
    // A folder link on the Desktop leads elsewhere: what is inside is not on the Desktop.
    QVERIFY(QFile::link(home.documents(), real + u"/Docs"_s));
    QVERIFY(!itemsOf(home, {desktop + "/Docs/away.txt"}));
    // But a folder link that leads back to the Desktop is the Desktop.
    QVERIFY(QFile::link(real, home.makeFolder(u"Documents/Shortcut"_s) + u"/Desk"_s));
    QCOMPARE(itemsOf(home, {bytes(home.documents()) + "/Shortcut/Desk/a.txt"}),
             std::optional(Paths{desktop + "/a.txt"}));
}

void TestFinder::hostileNamesSurviveTheHandOver()
{
    TempHome home;
    const QByteArray desktop = bytes(home.desktop());
    const Paths hostile{
        desktop + "/it's \"quoted\".txt",          desktop + "/line\nbreak\r.txt",
        desktop + "/tab\tand\\back %41 100%.txt",  desktop + "/-rf --help",
        desktop + "/\xe6\x96\x87 caf\xc3\xa9.txt", desktop + "/latin1 \xe9t\xe9.txt"};
    // Each reaches the rules as a file manager passes it: the path, or a file URI.
    Paths asUris;
    for (const QByteArray& path : hostile)
        asUris.append("file://" + path.toPercentEncoding("/"));
    QCOMPARE(itemsOf(home, hostile), std::optional(hostile));
    QCOMPARE(itemsOf(home, asUris), std::optional(hostile));

    // What the program writes is what Tidora reads back, name for name. A name that is not
    // UTF-8 can't be moved by name there and is left out, never garbled.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(HandOverWriter::write(home.runtimeFolder(), hostile, now));
    QCOMPARE(TempHome::read(home.runtimeFolder() + u"/tidora/selection"_s),
             SelectionHandOver::format(hostile, now));
    QStringList expected;
    for (const QByteArray& path : hostile.first(hostile.size() - 1))
        expected.append(QString::fromUtf8(path));
    const SelectionHandOver reader(home.runtimeFolder());
    QCOMPARE(reader.read(QDateTime::fromMSecsSinceEpoch(now + 1000)), std::optional(expected));
    // Every path a line of its own, whatever the name holds.
    QCOMPARE(HandOverWriter::text(hostile, now).count('\n'), hostile.size() + 2);
}

void TestFinder::handOverStaysInTheUsersOwnFolder()
{
    TempHome home;
    const QString folder = home.runtimeFolder() + u"/tidora"_s;
    const Paths paths{bytes(home.desktop()) + "/a.txt"};
    const qint64 now = QDateTime::currentMSecsSinceEpoch();

    // Made for the user alone, and written again over the old one.
    QVERIFY(HandOverWriter::write(home.runtimeFolder(), paths, now));
    QCOMPARE(QFileInfo(folder).permissions() & (QFile::ReadOther | QFile::ExeGroup),
             QFile::Permissions());
    QCOMPARE(TempHome::read(folder + u"/selection"_s), HandOverWriter::text(paths, now));
    // A folder others could enter is closed first.
    QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7777)));
    QVERIFY(HandOverWriter::write(home.runtimeFolder(), paths, now));
    QCOMPARE(QFileInfo(folder).permissions() & QFile::WriteOther, QFile::Permissions());

    // A link in the place of the file is replaced, never written through.
    const QString target = home.write(u"Documents/precious.txt"_s, "keep");
    QVERIFY(QFile::remove(folder + u"/selection"_s));
    QVERIFY(QFile::link(target, folder + u"/selection"_s));
    QVERIFY(HandOverWriter::write(home.runtimeFolder(), paths, now));
    QCOMPARE(TempHome::read(target), QByteArray("keep"));
    QVERIFY(!QFileInfo(folder + u"/selection"_s).isSymLink());

    // A link in the place of the folder is not the user's folder: nothing is written.
    QVERIFY(QDir(folder).removeRecursively());
    const QString other = home.makeFolder(u"Documents/other"_s);
    QVERIFY(QFile::link(other, folder));
    QVERIFY(!HandOverWriter::write(home.runtimeFolder(), paths, now));
    QVERIFY(QDir(other).isEmpty());
    QVERIFY(!HandOverWriter::write(QString(), paths, now));
}

void TestFinder::theProgramHandsOverDesktopItemsOnly()
{
    TempHome home;
    const QString inside = home.write(u"Desktop/Folder/inside.txt"_s);
    const QString desktopFile = home.write(u"Desktop/one.txt"_s);
    QProcess finder;
    finder.start(QStringLiteral(TIDORA_FINDER_PROGRAM), {u"--"_s, desktopFile, inside});
    QVERIFY(finder.waitForFinished(30000));
    QCOMPARE(finder.exitCode(), 0);
    // It reports nothing and hands nothing over.
    QCOMPARE(finder.readAllStandardOutput(), QByteArray());
    QCOMPARE(finder.readAllStandardError(), QByteArray());
    QVERIFY(!QFileInfo::exists(home.runtimeFolder() + u"/tidora/selection"_s));
    QVERIFY(QFileInfo::exists(desktopFile));

    // A hand-over it cannot write is a failure it reports.
    const QString other = home.makeFolder(u"Documents/other"_s);
    QVERIFY(QFile::link(other, home.runtimeFolder() + u"/tidora"_s));
    finder.start(QStringLiteral(TIDORA_FINDER_PROGRAM), {u"--"_s, desktopFile});
    QVERIFY(finder.waitForFinished(30000));
    QCOMPARE(finder.exitCode(), 1);
    QVERIFY(!finder.readAllStandardError().isEmpty());
    QVERIFY(QDir(other).isEmpty());
}

QTEST_GUILESS_MAIN(TestFinder)
#include "tst_finder.moc"
