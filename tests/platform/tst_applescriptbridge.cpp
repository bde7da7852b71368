#include "TempHome.h"
#include "engine/FinderScripts.h"
#include "platform/linux/LocalFileSystem.h"
#include "platform/macos/AppleScriptBridge.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A stand-in for osascript: it keeps the script it was given and answers with the reply beside
// it.
class FakeOsascript
{
public:
    explicit FakeOsascript(const TempHome& home)
        : m_folder(home.makeFolder(u"osascript"_s))
    {
        const QString program = path();
        QFile file(program);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n"
                   "dir=$(dirname \"$0\")\n"
                   "cat > \"$dir/received\"\n"
                   "echo run >> \"$dir/runs\"\n"
                   "cat \"$dir/reply\" 2>/dev/null\n"
                   "exit 0\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString path() const { return m_folder + u"/osascript"_s; }
    void answer(const QByteArray& reply)
    {
        QFile file(m_folder + u"/reply"_s);
        file.open(QIODevice::WriteOnly);
        file.write(reply);
    }
    QString received() const
    {
        return QString::fromUtf8(TempHome::read(m_folder + u"/received"_s));
    }
    int runs() const { return int(TempHome::read(m_folder + u"/runs"_s).count('\n')); }

private:
    QString m_folder;
};

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
    FakeOsascript osascript(home);
    AppleScriptBridge bridge(home.desktop(), files, osascript.path());
    osascript.answer("say \"hi\".txt\t10\t20\nsay \"hi\".txt\t30\t40\nother\t5\t5\n");
    const QString quotedName = u"say \"hi\".txt"_s;
    const PositionMap positions =
        bridge.desktopPositions({quotedName, u"missing"_s, u"line\nbreak"_s, u"tab\there"_s})
            .value();
    QCOMPARE(positions, (PositionMap{{quotedName, QPointF(10, 20)}}));
    QCOMPARE(osascript.runs(), 1);
    // Names a reply line could not carry are not asked.
    QCOMPARE(osascript.received(), FinderScripts::positions({quotedName, u"missing"_s}));
    QVERIFY(osascript.received().contains(u"{\"say \\\"hi\\\".txt\", \"missing\"}"_s));

    QVERIFY(bridge.desktopPositions({u"tab\tonly"_s}).value().isEmpty());
    QCOMPARE(osascript.runs(), 1);

    // Setting sends whole points and ignores the reply; announcing runs nothing.
    QVERIFY(bridge.setDesktopPositions({{quotedName, QPointF(120.7, -3.9)}}));
    QVERIFY(osascript.received().contains(QStringLiteral(
        "set desktop position of item \"say \\\"hi\\\".txt\" of desktop to {120, -3}")));
    QVERIFY(bridge.announcePositions({{u"a"_s, QPointF(1, 1)}}));
    QCOMPARE(osascript.runs(), 2);
}

QTEST_GUILESS_MAIN(TestAppleScriptBridge)
#include "tst_applescriptbridge.moc"
