#include "TempHome.h"
#include "platform/linux/InodeBookmarks.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The roots the application gives: both storage folders two levels deep, and the Desktop.
struct Places
{
    TempHome home;
    QString hidden = home.documents() + u"/.Tidora"_s;
    QString onDesktop = home.desktop() + u"/Tidorama Files"_s;

    InodeBookmarks::SearchRoots roots() const
    {
        return [this] {
            return QList<InodeBookmarks::SearchRoot>{
                {hidden, 2}, {onDesktop, 2}, {home.desktop(), 1}};
        };
    }
    QByteArray bookmarkOf(const QString& path) const
    {
        return InodeBookmarks(roots()).make(path).value_or(QByteArray());
    }
};

bool rename(const QString& from, const QString& to)
{
    return QDir().rename(from, to);
}

} // namespace

class TestInodeBookmarks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileInPlaceResolvesToItsPath();
    void followsRenamesAndMoves_data();
    void followsRenamesAndMoves();
    void somethingElseAtThePathIsNeverTheAnswer();
    void bytesFromElsewhereResolveToNothing();
    void rootsAreAskedAgain();
    void theFilesOwnFolderIsSearchedToo();
    void renewedAndMovedBookmarksAreWhatMakingOneGives();
    void batchesAnswerAsSingleCallsDo();
};

void TestInodeBookmarks::fileInPlaceResolvesToItsPath()
{
    Places places;
    InodeBookmarks bookmarks(places.roots());
    QVERIFY(!bookmarks.make(places.hidden + u"/A/missing.txt"_s));
    const QString file = places.home.write(u"Documents/.Tidora/A/it's \"x\".txt"_s);
    const std::optional<QByteArray> bookmark = bookmarks.make(file);
    QVERIFY(bookmark);
    QVERIFY(bookmark->contains(QFile::encodeName(file)));
    QCOMPARE(bookmarks.resolve(*bookmark), file);
    // Round trip through Base64, as in the stacks file.
    QCOMPARE(InodeBookmarks(places.roots()).resolve(QByteArray::fromBase64(bookmark->toBase64())),
             file);
    QCOMPARE(bookmarks.foldersRead(), 0);

    // A symbolic link is bookmarked itself, not what it points to.
    const QString link = places.home.desktop() + u"/link"_s;
    QVERIFY(QFile::link(file, link));
    const QByteArray linkMark = bookmarks.make(link).value();
    QVERIFY(QFile::remove(file));
    QCOMPARE(bookmarks.resolve(linkMark), link);
}

void TestInodeBookmarks::followsRenamesAndMoves_data()
{
    QTest::addColumn<bool>("betweenLaunches");
    QTest::newRow("between launches") << true;
    // One resolver: the folders that changed since it looked are read again.
    QTest::newRow("while running") << false;
}

void TestInodeBookmarks::followsRenamesAndMoves()
{
    QFETCH(bool, betweenLaunches);
    Places places;
    std::optional<InodeBookmarks> running(std::in_place, places.roots());
    const auto resolve = [&](const QByteArray& bookmark) {
        if (betweenLaunches)
            running.emplace(places.roots());
        return running->resolve(bookmark);
    };
    const QString file = places.home.write(u"Documents/.Tidora/Photos/a.png"_s, "a");
    const QString other = places.home.write(u"Documents/.Tidora/Photos/other.png"_s, "o");
    const QByteArray bookmark = places.bookmarkOf(file);
    const QByteArray otherMark = places.bookmarkOf(other);
    QCOMPARE(resolve(bookmark), file);

    // Renamed inside its folder.
    const QString renamed = places.hidden + u"/Photos/b.png"_s;
    QVERIFY(rename(file, renamed));
    QCOMPARE(resolve(bookmark), renamed);
    // The stack folder moved into the other storage folder, under another name.
    QVERIFY(QDir().mkpath(places.onDesktop));
    const QString moved = places.onDesktop + u"/Holiday 2/b.png"_s;
    QVERIFY(rename(places.hidden + u"/Photos"_s, places.onDesktop + u"/Holiday 2"_s));
    QCOMPARE(resolve(bookmark), moved);
    QCOMPARE(resolve(otherMark), places.onDesktop + u"/Holiday 2/other.png"_s);
    // Spread onto the Desktop.
    const QString onDesktop = places.home.desktop() + u"/b.png"_s;
    QVERIFY(rename(moved, onDesktop));
    QCOMPARE(resolve(bookmark), onDesktop);
    // Gone from every place searched, or deleted: nothing.
    QVERIFY(rename(onDesktop, places.home.home() + u"/b.png"_s));
    QCOMPARE(resolve(bookmark), std::nullopt);
    QVERIFY(QFile::remove(places.onDesktop + u"/Holiday 2/other.png"_s));
    QCOMPARE(resolve(otherMark), std::nullopt);
}

void TestInodeBookmarks::somethingElseAtThePathIsNeverTheAnswer()
{
    Places places;
    const QString file = places.home.write(u"Desktop/report.pdf"_s, "old");
    const QByteArray bookmark = places.bookmarkOf(file);
    // The file itself, renamed, wins over a new file of the old name.
    const QString renamed = places.home.desktop() + u"/report 1.pdf"_s;
    QVERIFY(rename(file, renamed));
    places.home.write(u"Desktop/report.pdf"_s, "new");
    QCOMPARE(InodeBookmarks(places.roots()).resolve(bookmark), renamed);
    // With the file gone, a file that merely has its old path is not it.
    QVERIFY(QFile::remove(renamed));
    QCOMPARE(InodeBookmarks(places.roots()).resolve(bookmark), std::nullopt);
    QVERIFY(!InodeBookmarks(places.roots()).renew(bookmark));

    // A new file may get a deleted one's inode number: where the file system keeps birth times,
    // they tell the two apart (bytes 22-29 hold the birth seconds).
    QByteArray reborn = places.bookmarkOf(places.home.write(u"Desktop/again"_s));
    if (reborn.at(5) & 1) {
        reborn[29] = char(reborn.at(29) ^ 1);
        QCOMPARE(InodeBookmarks(places.roots()).resolve(reborn), std::nullopt);
    }
}

void TestInodeBookmarks::bytesFromElsewhereResolveToNothing()
{
    Places places;
    InodeBookmarks bookmarks(places.roots());
    const QByteArray good = bookmarks.make(places.home.write(u"Desktop/x"_s)).value();
    QByteArray otherVersion = good;
    otherVersion[4] = 2;
    // The fixed header is 34 bytes; the path after it must be absolute.
    const QByteArray relative = good.left(34) + "Desktop/x";
    // Only clean paths are written: one that reaches the very file another way is not ours.
    const QByteArray path = good.mid(34);
    const QByteArray folder = path.left(path.lastIndexOf('/'));
    QList<QByteArray> unclean;
    for (const QByteArray& detour : {QByteArray("/./x"), QByteArray("//x"), QByteArray("/x/"),
                                     QByteArray("/../Desktop/x"), QByteArray("/x/.")})
        unclean.append(good.left(34) + folder + detour);
    for (const QByteArray& bytes :
         QList<QByteArray>{QByteArray(), QByteArray("book"), good.left(20), otherVersion, relative,
                           QByteArray::fromBase64("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA")} +
             unclean)
        QCOMPARE(bookmarks.resolve(bytes), std::nullopt);
}

void TestInodeBookmarks::rootsAreAskedAgain()
{
    TempHome home;
    QList<InodeBookmarks::SearchRoot> roots{{home.documents() + u"/.Tidora"_s, 2}};
    InodeBookmarks resolver([&roots] { return roots; });
    const QString file = home.write(u"Documents/.Tidora/S/a.txt"_s);
    const QByteArray bookmark = resolver.make(file).value();
    QVERIFY(rename(file, home.home() + u"/elsewhere.txt"_s));
    QCOMPARE(resolver.resolve(bookmark), std::nullopt);
    // The folder it went to becomes a root, and a root that did not exist comes into being.
    roots.append({home.home(), 1});
    QCOMPARE(resolver.resolve(bookmark), home.home() + u"/elsewhere.txt"_s);
    roots.append({home.home() + u"/Later"_s, 1});
    QVERIFY(QDir().mkpath(home.home() + u"/Later"_s));
    QVERIFY(rename(home.home() + u"/elsewhere.txt"_s, home.home() + u"/Later/it.txt"_s));
    QCOMPARE(resolver.resolve(bookmark), home.home() + u"/Later/it.txt"_s);
}

void TestInodeBookmarks::theFilesOwnFolderIsSearchedToo()
{
    Places places;
    // A folder made from a stack lies on the Desktop, deeper than the Desktop is searched.
    const QString file = places.home.write(u"Desktop/Photos/a.png"_s);
    const QByteArray bookmark = places.bookmarkOf(file);
    QVERIFY(rename(file, places.home.desktop() + u"/Photos/renamed.png"_s));
    // A name that is not UTF-8 next to it does not disturb the search.
    const QByteArray raw = QFile::encodeName(places.home.desktop()) + "/Photos/\xff";
    FILE* odd = std::fopen(raw.constData(), "w");
    QVERIFY(odd);
    std::fclose(odd);
    QCOMPARE(InodeBookmarks(places.roots()).resolve(bookmark),
             places.home.desktop() + u"/Photos/renamed.png"_s);
    ::unlink(raw.constData());
}

void TestInodeBookmarks::renewedAndMovedBookmarksAreWhatMakingOneGives()
{
    Places places;
    InodeBookmarks bookmarks(places.roots());
    const QString file = places.home.write(u"Documents/.Tidora/A/a b.txt"_s);
    const QByteArray bookmark = bookmarks.make(file).value();
    // In place: the same bytes, from the one look that found it.
    std::optional<Bookmarks::Renewal> renewed = bookmarks.renew(bookmark);
    QVERIFY(renewed);
    QCOMPARE(renewed->path, file);
    QCOMPARE(renewed->bookmark, bookmark);

    QVERIFY(QDir().mkpath(places.hidden + u"/B"_s));
    const QString to = places.hidden + u"/B/c.txt"_s;
    QVERIFY(rename(file, to));
    // Identity and path exactly as a fresh bookmark records them, a path written with dots too;
    // and it finds the file without a search.
    const QByteArray moved = bookmarks.moved(bookmark, to).value();
    QCOMPARE(moved, bookmarks.make(to).value());
    QCOMPARE(bookmarks.moved(bookmark, places.hidden + u"/A/../B/./c.txt"_s), moved);
    QCOMPARE(bookmarks.resolve(moved), to);
    QCOMPARE(bookmarks.foldersRead(), 0);
    // Renewed after the move: where it is now, and a bookmark that records that.
    renewed = bookmarks.renew(bookmark);
    QVERIFY(renewed);
    QCOMPARE(renewed->path, to);
    QCOMPARE(renewed->bookmark, moved);

    // Bytes that are not a bookmark: one is made at the new path, or none when nothing is there.
    QVERIFY(!bookmarks.renew("not a bookmark"));
    QCOMPARE(bookmarks.moved("not a bookmark", to), bookmarks.make(to));
    QVERIFY(!bookmarks.moved("not a bookmark", to + u".gone"_s));
}

void TestInodeBookmarks::batchesAnswerAsSingleCallsDo()
{
    Places places;
    InodeBookmarks bookmarks(places.roots());
    // Runs of files in one folder, folders coming back, a linked folder, a dangling link, a
    // file at the top of the tree, a missing folder and bytes that are not a bookmark.
    const QString real = places.home.makeFolder(u"Documents/.Tidora/A"_s);
    const QString linked = places.home.home() + u"/linked"_s;
    QVERIFY(QFile::link(real, linked));
    QStringList paths;
    for (int i = 0; i < 3; ++i)
        paths.append(places.home.write(u"Documents/.Tidora/A/a%1.txt"_s.arg(i)));
    paths.append(places.home.write(u"Documents/.Tidora/B/b.txt"_s));
    // The same name in another folder is another file.
    paths.append(places.home.write(u"Documents/.Tidora/B/a0.txt"_s));
    paths.append(real + u"/a0.txt"_s);
    paths.append(linked + u"/a1.txt"_s);
    QVERIFY(QFile::link(real + u"/gone"_s, real + u"/dangling"_s));
    paths.append(real + u"/dangling"_s);
    paths.append(places.hidden + u"/Missing/m.txt"_s);
    paths.append(u"/"_s);
    paths.append(places.home.write(u"Desktop/d.txt"_s));
    // More folders by turns than a batch keeps open.
    for (int round = 0; round < 2; ++round) {
        for (int folder = 0; folder < 6; ++folder)
            paths.append(
                places.home.write(u"Documents/.Tidora/F%1/f%2.txt"_s.arg(folder).arg(round)));
    }

    QList<std::optional<QByteArray>> single;
    for (const QString& path : std::as_const(paths))
        single.append(bookmarks.make(path));
    QCOMPARE(bookmarks.makeAll(paths), single);

    QList<QByteArray> bytes;
    for (const std::optional<QByteArray>& made : std::as_const(single))
        bytes.append(made.value_or(QByteArray("not a bookmark")));
    const auto compareBatches = [&] {
        QList<std::optional<QString>> resolved;
        QList<std::optional<Bookmarks::Renewal>> renewed;
        for (const QByteArray& bookmark : std::as_const(bytes)) {
            resolved.append(bookmarks.resolve(bookmark));
            renewed.append(bookmarks.renew(bookmark));
        }
        QCOMPARE(bookmarks.resolveAll(bytes), resolved);
        const QList<std::optional<Bookmarks::Renewal>> all = bookmarks.renewAll(bytes);
        QCOMPARE(all.size(), renewed.size());
        for (qsizetype i = 0; i < all.size(); ++i) {
            QCOMPARE(bool(all.at(i)), bool(renewed.at(i)));
            if (all.at(i)) {
                QCOMPARE(all.at(i)->path, renewed.at(i)->path);
                QCOMPARE(all.at(i)->bookmark, renewed.at(i)->bookmark);
            }
        }
    };
    compareBatches();

    // A folder renamed since the last batch is not found under its old name, and a file
    // replaced by another of the same name is told apart.
    QVERIFY(rename(places.hidden + u"/B"_s, places.hidden + u"/C"_s));
    for (int folder = 0; folder < 6; ++folder)
        QVERIFY(
            rename(places.hidden + u"/F%1"_s.arg(folder), places.hidden + u"/G%1"_s.arg(folder)));
    QVERIFY(QFile::remove(real + u"/a2.txt"_s));
    places.home.write(u"Documents/.Tidora/A/a2.txt"_s);
    compareBatches();
    QCOMPARE(bookmarks.resolveAll({bytes.at(3)}).value(0), places.hidden + u"/C/b.txt"_s);
    QCOMPARE(bookmarks.resolveAll({bytes.last()}).value(0), places.hidden + u"/G5/f1.txt"_s);
}

QTEST_GUILESS_MAIN(TestInodeBookmarks)
#include "tst_inodebookmarks.moc"
