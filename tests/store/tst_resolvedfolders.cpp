#include "TempHome.h"
#include "platform/linux/LocalFileSystem.h"
#include "store/ResolvedFolders.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

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

class TestResolvedFolders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersAsTheFileSystemDoesAndResolvesEachFolderOnce();
};

void TestResolvedFolders::answersAsTheFileSystemDoesAndResolvesEachFolderOnce()
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
    const QStringList paths = {
        d + u"/link/b.txt"_s,
        d + u"//link//c.txt"_s,
        d + u"/x/../link/e.txt"_s,
        d + u"/link/"_s,
        d + u"/link"_s,
        d + u"/link/.."_s,
        d + u"/chain/h.txt"_s,
        d + u"/chain/jump/i.txt"_s,
        d + u"/link/jump/j.txt"_s,
        d + u"/dangling/k.txt"_s,
        d + u"/root/m.txt"_s,
        d + u"/plain/o.txt"_s,
        d + u"/missing/p.txt"_s,
        u"/"_s,
        u"relative/g.txt"_s,
    };
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

QTEST_GUILESS_MAIN(TestResolvedFolders)
#include "tst_resolvedfolders.moc"
