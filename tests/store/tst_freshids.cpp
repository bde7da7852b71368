#include "store/FreshIds.h"

#include <QSet>
#include <QTest>

class TestFreshIds : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void idsAreRandomVersionFourAndNeverRepeat();
};

void TestFreshIds::idsAreRandomVersionFourAndNeverRepeat()
{
    // Two operations in one process, each with its own generator, as a launch and a stacking.
    FreshIds first;
    FreshIds second;
    QSet<QUuid> seen;
    for (int i = 0; i < 5000; ++i) {
        for (FreshIds* ids : {&first, &second}) {
            const QUuid id = ids->next();
            QCOMPARE(id.version(), QUuid::Random);
            QCOMPARE(id.variant(), QUuid::DCE);
            QVERIFY(!seen.contains(id));
            seen.insert(id);
        }
    }
}

QTEST_GUILESS_MAIN(TestFreshIds)
#include "tst_freshids.moc"
