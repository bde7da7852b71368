#include "TempHome.h"
#include "engine/FinderScripts.h"
#include "platform/linux/LocalFileSystem.h"
#include "platform/macos/AppleScriptBridge.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A stand-in for osascript: it keeps the script it was given, counts its runs and
// answers with the reply beside it.
QString fakeOsascript(const TempHome& home)
{
    const QString program =
        home.write(u"osascript/osascript"_s,
                   "#!/bin/sh\ndir=$(dirname \"$0\")\ncat > \"$dir/received\"\n"
                   "echo run >> \"$dir/runs\"\ncat \"$dir/reply\" 2>/dev/null\nexit 0\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return program;
}

} // namespace

class TestAppleScriptBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void positionsAreAskedInOneScript();
};

void TestAppleScriptBridge::positionsAreAskedInOneScript()
{
    TempHome home;
    LocalFileSystem files;
    AppleScriptBridge bridge(home.desktop(), files, fakeOsascript(home));
    home.write(u"osascript/reply"_s,
               "say \"hi\".txt\t10\t20\nsay \"hi\".txt\t30\t40\nother\t5\t5\n");
    const auto received = [&home] {
        return QString::fromUtf8(TempHome::read(home.home() + u"/osascript/received"_s));
    };
    const auto runs = [&home] {
        return TempHome::read(home.home() + u"/osascript/runs"_s).count('\n');
    };
    const QString quotedName = u"say \"hi\".txt"_s;
    const PositionMap positions =
        bridge.desktopPositions({quotedName, u"missing"_s, u"line\nbreak"_s, u"tab\there"_s})
            .value();
    QCOMPARE(positions, (PositionMap{{quotedName, QPointF(10, 20)}}));
    QCOMPARE(runs(), 1);
    // Names a reply line could not carry are not asked.
    QCOMPARE(received(), FinderScripts::positions({quotedName, u"missing"_s}));
    QVERIFY(received().contains(u"{\"say \\\"hi\\\".txt\", \"missing\"}"_s));

    QVERIFY(bridge.desktopPositions({u"tab\tonly"_s}).value().isEmpty());
    QCOMPARE(runs(), 1);

    // Setting sends whole points and ignores the reply; announcing runs nothing.
    QVERIFY(bridge.setDesktopPositions({{quotedName, QPointF(120.7, -3.9)}}));
    QVERIFY(received().contains(QStringLiteral(
        "set desktop position of item \"say \\\"hi\\\".txt\" of desktop to {120, -3}")));
    QVERIFY(bridge.announcePositions({{u"a"_s, QPointF(1, 1)}}));
    QCOMPARE(runs(), 2);
}

QTEST_GUILESS_MAIN(TestAppleScriptBridge)
#include "tst_applescriptbridge.moc"
