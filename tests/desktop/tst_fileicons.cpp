#include "desktop/FileIcons.h"

#include <QIcon>
#include <QTemporaryDir>
#include <QTest>

class TestFileIcons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The tray menu looks its help icon up before the first stack is drawn; file icons must
    // still come from the installed theme, one per kind, not the same blank page for all.
    void kindsKeepTheirIconsAfterAnEarlierLookup()
    {
        (void)QIcon::fromTheme(QStringLiteral("help-contents")).pixmap(16, 16);
        QTemporaryDir folder;
        const QString text = folder.filePath(QStringLiteral("notes.txt"));
        const QString picture = folder.filePath(QStringLiteral("beach.png"));
        const QString sound = folder.filePath(QStringLiteral("song.mp3"));
        const QImage textIcon = FileIcons::iconImage(text, QSize(64, 64), 1);
        const QImage pictureIcon = FileIcons::iconImage(picture, QSize(64, 64), 1);
        const QImage soundIcon = FileIcons::iconImage(sound, QSize(64, 64), 1);
        QVERIFY(textIcon != pictureIcon);
        QVERIFY(pictureIcon != soundIcon);
    }
};

QTEST_MAIN(TestFileIcons)
#include "tst_fileicons.moc"
