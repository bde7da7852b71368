#include "engine/FinderScripts.h"

#include <QTest>

using FinderScripts::ReplyRow;

class TestFinderScripts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesAreQuotedAndEscaped();
    void settingScriptTruncatesTowardZero();
    void replyKeepsOnlyThreeFieldNumericLines();
};

void TestFinderScripts::namesAreQuotedAndEscaped()
{
    const QString script =
        FinderScripts::positions({QStringLiteral("plain.txt"), QStringLiteral("say \"hi\".txt"),
                                  QStringLiteral("back\\slash"), QStringLiteral("\\\"")});
    QVERIFY(script.contains(QStringLiteral("{\"plain.txt\", \"say \\\"hi\\\".txt\", "
                                           "\"back\\\\slash\", \"\\\\\\\"\"}")));
    QVERIFY(FinderScripts::selection().contains(QStringLiteral("(get selection)")));
    QVERIFY(FinderScripts::allItems().contains(QStringLiteral("(get every item of desktop)")));
}

void TestFinderScripts::settingScriptTruncatesTowardZero()
{
    const QString script = FinderScripts::setPositions(
        {NamedPosition{QStringLiteral("a \"b\".png"), QPointF(120.7, -3.9)},
         NamedPosition{QStringLiteral("c"), QPointF(-0.5, 1e6 + 0.99)}});
    QVERIFY(script.contains(QStringLiteral("item \"a \\\"b\\\".png\" of desktop to {120, -3}")));
    QVERIFY(script.contains(QStringLiteral("item \"c\" of desktop to {0, 1000000}")));
}

void TestFinderScripts::replyKeepsOnlyThreeFieldNumericLines()
{
    const QString reply = QStringLiteral("/Users/u/Desktop/a.png\t120.5\t-40\n"
                                         "\n"
                                         "/Users/u/Desktop/tab\tname\t1\t2\n"
                                         "/Users/u/Desktop/words\tten\t20\n"
                                         "/Users/u/Desktop/blank\t\t20\n"
                                         "/Users/u/Desktop/space\t 1\t20\n"
                                         "/Users/u/Desktop/rest\t1x\t20\n"
                                         "/Users/u/Desktop/nan\tnan\t20\n"
                                         "\t1e2\t3.25\n"
                                         "/Users/u/Desktop/two\t5\n"
                                         "/Users/u/Desktop/last\t7\t8");
    const QList<ReplyRow> rows = FinderScripts::parseReply(reply);
    QCOMPARE(rows, (QList<ReplyRow>{{QStringLiteral("/Users/u/Desktop/a.png"), 120.5, -40},
                                    {QString(), 100, 3.25},
                                    {QStringLiteral("/Users/u/Desktop/last"), 7, 8}}));
    QVERIFY(FinderScripts::parseReply(QStringLiteral("\n\n")).isEmpty());
}

QTEST_GUILESS_MAIN(TestFinderScripts)
#include "tst_finderscripts.moc"
