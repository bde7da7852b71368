#include "platform/x11/UriList.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestUriList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsTheLocalFilesInOrderAndNothingElse();
};

void TestUriList::keepsTheLocalFilesInOrderAndNothingElse()
{
    const QByteArray list = "# dragged by a file manager\r\n"
                            "file:///home/u/Desktop/b%20c.txt\r\n"
                            "https://example.org/a.txt\r\n"
                            "file:///home/u/Desktop/%C3%BC%22%5C%09x\r\n"
                            "file://otherhost/home/u/Desktop/remote\r\n"
                            // Not UTF-8: Qt would open another name than the one dragged.
                            "file:///home/u/Desktop/caf%E9\r\n"
                            "file://localhost/home/u/Desktop/a\n"
                            "not a uri at all\r\n"
                            "\r\n"
                            "file:///home/u/Desktop/last";
    const QStringList expected{u"/home/u/Desktop/b c.txt"_s,
                               QString::fromUtf8("/home/u/Desktop/\xc3\xbc\"\\\tx"),
                               u"/home/u/Desktop/a"_s, u"/home/u/Desktop/last"_s};
    QCOMPARE(localFilesOfUriList(list), expected);
}

QTEST_GUILESS_MAIN(TestUriList)
#include "tst_urilist.moc"
