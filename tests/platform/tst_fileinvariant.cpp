#include "FileInvariant.h"
#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

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
    const QString a = invariant.addDesktopFile(u"a.txt"_s);
    invariant.addSymlink(u"Desktop/link"_s, u"/etc/hostname"_s);
    QDir().mkpath(home.documents() + u"/.Tidora/Stack"_s);
    QVERIFY(QFile::rename(a, home.documents() + u"/.Tidora/Stack/a 2.txt"_s));
    QVERIFY(
        QFile::rename(home.desktop() + u"/link"_s, home.documents() + u"/.Tidora/Stack/link"_s));
    TIDORA_CHECK_INVARIANT(invariant);
    QCOMPARE(invariant.locate(a), home.documents() + u"/.Tidora/Stack/a 2.txt"_s);

    // The Trash, when allowed, only with its info file.
    invariant.allowTrash();
    QDir().mkpath(home.trashFiles());
    QVERIFY(QFile::rename(home.documents() + u"/.Tidora/Stack/a 2.txt"_s,
                          home.trashFiles() + u"/a.txt"_s));
    QVERIFY(invariant.violations().join(u'\n').contains(u"no valid trash info"_s));
    home.write(u".local/share/Trash/info/a.txt.trashinfo"_s,
               "[Trash Info]\nPath=/x/a.txt\nDeletionDate=2026-12-06T10:00:00\n");
    TIDORA_CHECK_INVARIANT(invariant);
}

void TestFileInvariant::catchesLostCopiedAndChangedFiles()
{
    TempHome home;
    FileInvariant invariant(home);
    const QString lost = invariant.addDesktopFile(u"lost.txt"_s);
    const QString copied = invariant.addDesktopFile(u"copied.txt"_s);
    const QString changed = invariant.addDesktopFile(u"changed.txt"_s);
    QFile::remove(lost);
    QFile::copy(copied, home.desktop() + u"/copy.txt"_s);
    home.write(u"Desktop/changed.txt"_s, "other");
    const QString all = invariant.violations().join(QLatin1Char('\n'));
    QVERIFY(all.contains(u"lost: "_s + lost));
    QVERIFY(all.contains(u"copied: "_s + copied));
    QVERIFY(all.contains(u"lost: "_s + changed));
}

QTEST_GUILESS_MAIN(TestFileInvariant)
#include "tst_fileinvariant.moc"
