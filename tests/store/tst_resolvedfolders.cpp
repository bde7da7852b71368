#include "TempHome.h"
#include "platform/linux/LocalFileSystem.h"
#include "store/ResolvedFolders.h"

#include <QDir>
#include <QFile>
#include <QTest>

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
    const QString real = home.makeFolder(QStringLiteral("Documents/real"));
    QVERIFY(QFile::link(real, home.desktop() + QStringLiteral("/link")));
    const QString d = home.desktop();
    // A link to a link, a link inside a linked folder, one that leads nowhere, one to the
    // root, and a file where a folder would be.
    QVERIFY(QFile::link(d + QStringLiteral("/link"), d + QStringLiteral("/chain")));
    home.makeFolder(QStringLiteral("Documents/real/inner"));
    QVERIFY(QFile::link(real + QStringLiteral("/inner"), real + QStringLiteral("/jump")));
    QVERIFY(QFile::link(d + QStringLiteral("/gone"), d + QStringLiteral("/dangling")));
    QVERIFY(QFile::link(QStringLiteral("/"), d + QStringLiteral("/root")));
    home.write(QStringLiteral("Desktop/plain"), "x");
    // Clean paths, paths that need cleaning, links on the way and an item that is a link.
    const QStringList paths = {
        d + QStringLiteral("/a.txt"),
        d + QStringLiteral("/link/b.txt"),
        d + QStringLiteral("//link//c.txt"),
        d + QStringLiteral("/./link/./d.txt"),
        d + QStringLiteral("/x/../link/e.txt"),
        d + QStringLiteral("/link/"),
        d + QStringLiteral("/link"),
        d + QStringLiteral("/.hidden/f"),
        d + QStringLiteral("/..."),
        d + QStringLiteral("/link/.."),
        d + QStringLiteral("/chain/h.txt"),
        d + QStringLiteral("/chain/jump/i.txt"),
        d + QStringLiteral("/link/jump/j.txt"),
        d + QStringLiteral("/dangling/k.txt"),
        d + QStringLiteral("/dangling/deeper/l.txt"),
        d + QStringLiteral("/root/m.txt"),
        d + QStringLiteral("/root/tmp/n.txt"),
        d + QStringLiteral("/plain/o.txt"),
        d + QStringLiteral("/missing/p.txt"),
        QStringLiteral("/"),
        QStringLiteral("/top"),
        QStringLiteral("relative/g.txt"),
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
    QCOMPARE(fresh.parentOf(d + QStringLiteral("/first")), d);
    QCOMPARE(fresh.parentOf(d + QStringLiteral("/link/first")), real);
    fs.looks = 0;
    for (int i = 0; i < 500; ++i) {
        QCOMPARE(fresh.parentOf(d + QStringLiteral("/file %1").arg(i)), d);
        QCOMPARE(fresh.parentOf(d + QStringLiteral("/link/file %1").arg(i)), real);
    }
    QCOMPARE(fs.looks, 0);
}

QTEST_GUILESS_MAIN(TestResolvedFolders)
#include "tst_resolvedfolders.moc"
