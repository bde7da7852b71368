#include "engine/FinderScripts.h"

#include <QTest>

using namespace Qt::StringLiterals;

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
    const QString script = FinderScripts::positions(
        {u"plain.txt"_s, u"say \"hi\".txt"_s, u"back\\slash"_s, u"\\\""_s});
    QVERIFY(script.contains(u"{\"plain.txt\", \"say \\\"hi\\\".txt\", "
                            "\"back\\\\slash\", \"\\\\\\\"\"}"_s));
    QVERIFY(FinderScripts::selection().contains(u"(get selection)"_s));
    QVERIFY(FinderScripts::allItems().contains(u"(get every item of desktop)"_s));
}

void TestFinderScripts::settingScriptTruncatesTowardZero()
{
    const QString script =
        FinderScripts::setPositions({NamedPosition{u"a \"b\".png"_s, QPointF(120.7, -3.9)},
                                     NamedPosition{u"c"_s, QPointF(-0.5, 1e6 + 0.99)}});
    QVERIFY(script.contains(u"item \"a \\\"b\\\".png\" of desktop to {120, -3}"_s));
    QVERIFY(script.contains(u"item \"c\" of desktop to {0, 1000000}"_s));
}

void TestFinderScripts::replyKeepsOnlyThreeFieldNumericLines()
{
    const QString reply = u"/Users/u/Desktop/a.png\t120.5\t-40\n"
                          "\n"
                          "/Users/u/Desktop/tab\tname\t1\t2\n"
                          "/Users/u/Desktop/words\tten\t20\n"
                          "/Users/u/Desktop/blank\t\t20\n"
                          "/Users/u/Desktop/space\t 1\t20\n"
                          "/Users/u/Desktop/rest\t1x\t20\n"
                          "/Users/u/Desktop/nan\tnan\t20\n"
                          "\t1e2\t3.25\n"
                          "/Users/u/Desktop/two\t5\n"
                          "/Users/u/Desktop/last\t7\t8"_s;
    const QList<ReplyRow> rows = FinderScripts::parseReply(reply);
    QCOMPARE(rows, (QList<ReplyRow>{{u"/Users/u/Desktop/a.png"_s, 120.5, -40},
                                    {QString(), 100, 3.25},
                                    {u"/Users/u/Desktop/last"_s, 7, 8}}));
    QVERIFY(FinderScripts::parseReply(u"\n\n"_s).isEmpty());
}

QTEST_GUILESS_MAIN(TestFinderScripts)
#include "tst_finderscripts.moc"
