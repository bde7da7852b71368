#include "FileInvariant.h"
#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QTest>

// The checker guards every file-moving test, so it must itself catch each kind of loss.
class TestFileInvariant : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void acceptsMovesBetweenAllowedPlaces();
    void catchesLostCopiedAndChangedFiles();
};

void TestFileInvariant::acceptsMovesBetweenAllowedPlaces()
{
    TempHome home;
    FileInvariant invariant(home);
    const QString a = invariant.addDesktopFile(QStringLiteral("a.txt"));
    invariant.addSymlink(QStringLiteral("Desktop/link"), QStringLiteral("/etc/hostname"));
    QDir().mkpath(home.documents() + QStringLiteral("/.Tidora/Stack"));
    QVERIFY(QFile::rename(a, home.documents() + QStringLiteral("/.Tidora/Stack/a 2.txt")));
    QVERIFY(QFile::rename(home.desktop() + QStringLiteral("/link"),
                          home.documents() + QStringLiteral("/.Tidora/Stack/link")));
    TIDORA_CHECK_INVARIANT(invariant);
    QCOMPARE(invariant.locate(a), home.documents() + QStringLiteral("/.Tidora/Stack/a 2.txt"));

    // The Trash, when allowed, only with its info file.
    invariant.allowTrash();
    QDir().mkpath(home.trashFiles());
    QVERIFY(QFile::rename(home.documents() + QStringLiteral("/.Tidora/Stack/a 2.txt"),
                          home.trashFiles() + QStringLiteral("/a.txt")));
    QVERIFY(invariant.violations().join(u'\n').contains(QStringLiteral("no valid trash info")));
    home.write(QStringLiteral(".local/share/Trash/info/a.txt.trashinfo"),
               "[Trash Info]\nPath=/x/a.txt\nDeletionDate=2026-12-06T10:00:00\n");
    TIDORA_CHECK_INVARIANT(invariant);
}

void TestFileInvariant::catchesLostCopiedAndChangedFiles()
{
    TempHome home;
    FileInvariant invariant(home);
    const QString lost = invariant.addDesktopFile(QStringLiteral("lost.txt"));
    const QString copied = invariant.addDesktopFile(QStringLiteral("copied.txt"));
    const QString changed = invariant.addDesktopFile(QStringLiteral("changed.txt"));
    QFile::remove(lost);
    QFile::copy(copied, home.desktop() + QStringLiteral("/copy.txt"));
    home.write(QStringLiteral("Desktop/changed.txt"), "other");
    const QString all = invariant.violations().join(QLatin1Char('\n'));
    QVERIFY(all.contains(QStringLiteral("lost: ") + lost));
    QVERIFY(all.contains(QStringLiteral("copied: ") + copied));
    QVERIFY(all.contains(QStringLiteral("lost: ") + changed));
}

QTEST_GUILESS_MAIN(TestFileInvariant)
#include "tst_fileinvariant.moc"
