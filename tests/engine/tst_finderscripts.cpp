#include "engine/FinderScripts.h"

#include <QTest>

using FinderScripts::ReplyRow;

class TestFinderScripts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readingScriptsAreTheFixedTexts();
    void namedPositionsAreQuotedAndEscaped();
    void settingScriptTruncatesTowardZero();
    void replyKeepsOnlyThreeFieldNumericLines();
    void replyOfNothingHasNoRows();
};

void TestFinderScripts::readingScriptsAreTheFixedTexts()
{
    const QString items = QStringLiteral(
        "set out to \"\"\n"
        "tell application \"Finder\"\n"
        "    repeat with f in (get every item of desktop)\n"
        "        try\n"
        "            set p to desktop position of f\n"
        "            set out to out & (POSIX path of (f as alias)) & tab & (item 1 of p) & tab & "
        "(item 2 of p) & linefeed\n"
        "        end try\n"
        "    end repeat\n"
        "end tell\n"
        "return out");
    QCOMPARE(FinderScripts::allItems(), items);
    QString selection = items;
    selection.replace(QStringLiteral("(get every item of desktop)"),
                      QStringLiteral("(get selection)"));
    QCOMPARE(FinderScripts::selection(), selection);
}

void TestFinderScripts::namedPositionsAreQuotedAndEscaped()
{
    const QString script =
        FinderScripts::positions({QStringLiteral("plain.txt"), QStringLiteral("say \"hi\".txt"),
                                  QStringLiteral("back\\slash"), QStringLiteral("\\\"")});
    QCOMPARE(script, QStringLiteral("set out to \"\"\n"
                                    "tell application \"Finder\"\n"
                                    "    repeat with n in {\"plain.txt\", \"say \\\"hi\\\".txt\", "
                                    "\"back\\\\slash\", \"\\\\\\\"\"}\n"
                                    "        set nm to n as text\n"
                                    "        try\n"
                                    "            set p to desktop position of item nm of desktop\n"
                                    "            set out to out & nm & tab & (item 1 of p) & tab & "
                                    "(item 2 of p) & linefeed\n"
                                    "        end try\n"
                                    "    end repeat\n"
                                    "end tell\n"
                                    "return out"));
}

void TestFinderScripts::settingScriptTruncatesTowardZero()
{
    const QString script = FinderScripts::setPositions(
        {NamedPosition{QStringLiteral("a \"b\".png"), QPointF(120.7, -3.9)},
         NamedPosition{QStringLiteral("c"), QPointF(-0.5, 1e6 + 0.99)}});
    QCOMPARE(script, QStringLiteral("tell application \"Finder\"\n"
                                    "try\n"
                                    "    set desktop position of item \"a \\\"b\\\".png\" of "
                                    "desktop to {120, -3}\n"
                                    "end try\n"
                                    "try\n"
                                    "    set desktop position of item \"c\" of desktop to "
                                    "{0, 1000000}\n"
                                    "end try\n"
                                    "end tell"));
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
}

void TestFinderScripts::replyOfNothingHasNoRows()
{
    QVERIFY(FinderScripts::parseReply(QString()).isEmpty());
    QVERIFY(FinderScripts::parseReply(QStringLiteral("\n\n")).isEmpty());
}

QTEST_GUILESS_MAIN(TestFinderScripts)
#include "tst_finderscripts.moc"
