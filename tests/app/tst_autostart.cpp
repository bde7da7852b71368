#include "LogCapture.h"
#include "TempHome.h"
#include "app/Autostart.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

// Opening at login: the autostart entry in a temporary home.
class TestAutostart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onlyAMissingEntryIsWritten_data();
    void onlyAMissingEntryIsWritten();
    void aFailureIsLoggedAndNothingBrokenWritten();
    void thePathReadsBackThroughGLib_data();
    void thePathReadsBackThroughGLib();
};

void TestAutostart::onlyAMissingEntryIsWritten_data()
{
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("the user's own")
        << QByteArray("# mine\n[Desktop Entry]\nType=Application\nExec=/usr/bin/tidora\n"
                      "Hidden=false\n")
        << true;
    QTest::newRow("hidden in another group")
        << QByteArray("[Desktop Entry]\nExec=/usr/bin/tidora\n[Desktop Action x]\nHidden=true\n")
        << true;
    // Switched off by the user, the three ways the desktops write it: it stays off.
    QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=/old/tidora\nHidden = true\n")
                            << false;
    QTest::newRow("off in GNOME")
        << QByteArray("[Desktop Entry]\nExec=tidora\nX-GNOME-Autostart-enabled=false\n") << false;
    QTest::newRow("off in MATE")
        << QByteArray("[Desktop Entry]\nExec=tidora\nX-MATE-Autostart-enabled=false\n") << false;
}

void TestAutostart::onlyAMissingEntryIsWritten()
{
    QFETCH(QByteArray, existing);
    QFETCH(bool, enabled);
    TempHome home;
    Autostart autostart(home.configRoot(), QStringLiteral("/opt/tidora/bin/tidora"));
    QCOMPARE(autostart.entryPath(),
             home.configRoot() + QStringLiteral("/autostart/tidora.desktop"));
    if (!existing.isEmpty())
        home.write(QStringLiteral(".config/autostart/tidora.desktop"), existing);
    QCOMPARE(autostart.isEnabled(), enabled);
    autostart.registerAtLaunch();
    QCOMPARE(autostart.isEnabled(), enabled || existing.isEmpty());
    const QByteArray text = TempHome::read(autostart.entryPath());
    if (!existing.isEmpty()) {
        QCOMPARE(text, existing);
    } else {
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QVERIFY(text.contains("\nType=Application\n"));
        QVERIFY(text.contains("\nExec=/opt/tidora/bin/tidora\n"));
        // Listed in the desktops' startup settings, where the user can switch it off.
        QVERIFY(!text.contains("Hidden"));
        QVERIFY(!text.contains("NoDisplay"));
    }
}

void TestAutostart::aFailureIsLoggedAndNothingBrokenWritten()
{
    TempHome home;
    LogCapture log;
    // A file where the autostart folder should be.
    home.write(QStringLiteral(".config/autostart"), "not a folder");
    Autostart blocked(home.configRoot(), QStringLiteral("/opt/tidora/bin/tidora"));
    blocked.registerAtLaunch();
    QVERIFY(!blocked.isEnabled());
    QCOMPARE(TempHome::read(home.configRoot() + QStringLiteral("/autostart")),
             QByteArray("not a folder"));

    // A path no entry can hold is refused, not written broken.
    TempHome other;
    Autostart broken(other.configRoot(), QStringLiteral("/opt/two\nlines/tidora"));
    broken.registerAtLaunch();
    QVERIFY(!QFileInfo::exists(broken.entryPath()));
    QCOMPARE(log.startingWith(QStringLiteral("Tidorama: launch at login failed: ")).size(), 2);
}

void TestAutostart::thePathReadsBackThroughGLib_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("plain") << "/usr/bin/tidora";
    QTest::newRow("space") << "/home/me/My Apps/tidora";
    QTest::newRow("quote and dollar") << "/opt/a\"b$c/tidora";
    QTest::newRow("backslash") << "/opt/a\\b/tidora";
    QTest::newRow("percent") << "/opt/100%/tidora";
    QTest::newRow("unicode and tab") << "/opt/\u00fcber\tneu/tidora";
}

void TestAutostart::thePathReadsBackThroughGLib()
{
    QFETCH(QString, program);
    // What GLib (as the desktops use it) reads back from the written entry is the program.
    TempHome home;
    Autostart autostart(home.configRoot(), program);
    autostart.registerAtLaunch();
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys\n"
                                 "from gi.repository import GLib\n"
                                 "k = GLib.KeyFile()\n"
                                 "k.load_from_file(sys.argv[1], GLib.KeyFileFlags.NONE)\n"
                                 "exec_line = k.get_string('Desktop Entry', 'Exec')\n"
                                 "argv = GLib.shell_parse_argv(exec_line.replace('%%', '%'))[1]\n"
                                 "try_exec = k.get_string('Desktop Entry', 'TryExec')\n"
                                 "assert try_exec == argv[0], try_exec\n"
                                 "sys.stdout.buffer.write(argv[0].encode())\n"),
                  autostart.entryPath()});
    QVERIFY(python.waitForFinished(60000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
    QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()), program);
}

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
