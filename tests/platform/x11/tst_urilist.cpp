#include "platform/x11/UriList.h"

#include <QTest>

class TestUriList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsTheLocalFilesInOrder();
    void leavesOutWhatIsNoLocalFile();
};

void TestUriList::keepsTheLocalFilesInOrder()
{
    const QByteArray list = "# dragged by a file manager\r\n"
                            "file:///home/u/Desktop/b%20c.txt\r\n"
                            "file:///home/u/Desktop/%C3%BC%22%5C%09x\r\n"
                            "file://localhost/home/u/Desktop/a\n"
                            "\r\n"
                            "file:///home/u/Desktop/last";
    const QStringList expected{QStringLiteral("/home/u/Desktop/b c.txt"),
                               QString::fromUtf8("/home/u/Desktop/\xc3\xbc\"\\\tx"),
                               QStringLiteral("/home/u/Desktop/a"),
                               QStringLiteral("/home/u/Desktop/last")};
    QCOMPARE(localFilesOfUriList(list), expected);
}

void TestUriList::leavesOutWhatIsNoLocalFile()
{
    const QByteArray list = "https://example.org/a.txt\r\n"
                            "file://otherhost/home/u/Desktop/remote\r\n"
                            // Not UTF-8: Qt would open another name than the one dragged.
                            "file:///home/u/Desktop/caf%E9\r\n"
                            "not a uri at all\r\n"
                            "file:///home/u/Desktop/kept\r\n";
    QCOMPARE(localFilesOfUriList(list), QStringList{QStringLiteral("/home/u/Desktop/kept")});
}

QTEST_GUILESS_MAIN(TestUriList)
#include "tst_urilist.moc"
