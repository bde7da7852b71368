#include "TempHome.h"
#include "platform/linux/LocalFileSystem.h"
#include "store/ResolvedFolders.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

// The real disk, counting how often a path is resolved.
class CountingFileSystem : public LocalFileSystem
{
public:
    QString resolved(const QString& path) const override
    {
        ++resolutions;
        return LocalFileSystem::resolved(path);
    }
    mutable int resolutions = 0;
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
        QStringLiteral("/"),
        QStringLiteral("/top"),
        QStringLiteral("relative/g.txt"),
    };
    ResolvedFolders parents(fs);
    for (const QString& path : paths)
        QCOMPARE(parents.parentOf(path), fs.resolvedParent(path));

    // A thousand files in two folders: two resolutions.
    fs.resolutions = 0;
    ResolvedFolders fresh(fs);
    for (int i = 0; i < 500; ++i) {
        QCOMPARE(fresh.parentOf(d + QStringLiteral("/file %1").arg(i)), d);
        QCOMPARE(fresh.parentOf(d + QStringLiteral("/link/file %1").arg(i)), real);
    }
    QCOMPARE(fs.resolutions, 2);
}

QTEST_GUILESS_MAIN(TestResolvedFolders)
#include "tst_resolvedfolders.moc"
