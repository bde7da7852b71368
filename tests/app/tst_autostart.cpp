#include "LogCapture.h"
#include "TempHome.h"
#include "app/Autostart.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

// Opening at login: the autostart entry in a temporary home.
class TestAutostart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesTheEntryWhenMissing();
    void leavesAnEnabledEntryAlone();
    void replacesAHiddenEntry();
    void logsAFailureAndGoesOn();
    void quotesThePathForTheDesktopEntryRules_data();
    void quotesThePathForTheDesktopEntryRules();

private:
    static QByteArray read(const QString& path) { return TempHome::read(path); }
};

void TestAutostart::writesTheEntryWhenMissing()
{
    TempHome home;
    Autostart autostart(home.configRoot(), QStringLiteral("/opt/tidora/bin/tidora"));
    QCOMPARE(autostart.entryPath(),
             home.configRoot() + QStringLiteral("/autostart/tidora.desktop"));
    QVERIFY(!autostart.isEnabled());
    autostart.registerAtLaunch();
    QVERIFY(autostart.isEnabled());
    const QByteArray text = read(autostart.entryPath());
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
    QVERIFY(text.contains("\nType=Application\n"));
    QVERIFY(text.contains("\nExec=/opt/tidora/bin/tidora\n"));
    QVERIFY(!text.contains("Hidden"));
}

void TestAutostart::leavesAnEnabledEntryAlone()
{
    TempHome home;
    // The user's own entry (another path, Hidden=false, comments) counts as enabled.
    const QByteArray own = "# mine\n[Desktop Entry]\nType=Application\nExec=/usr/bin/tidora\n"
                           "Hidden=false\n";
    const QString path = home.write(QStringLiteral(".config/autostart/tidora.desktop"), own);
    Autostart autostart(home.configRoot(), QStringLiteral("/opt/tidora/bin/tidora"));
    QVERIFY(autostart.isEnabled());
    autostart.registerAtLaunch();
    QCOMPARE(read(path), own);

    // Hidden=true in another group is not the entry's.
    const QByteArray grouped = "[Desktop Entry]\nExec=/usr/bin/tidora\n[Desktop Action x]\n"
                               "Hidden=true\n";
    home.write(QStringLiteral(".config/autostart/tidora.desktop"), grouped);
    QVERIFY(autostart.isEnabled());
}

void TestAutostart::replacesAHiddenEntry()
{
    TempHome home;
    const QString path = home.write(QStringLiteral(".config/autostart/tidora.desktop"),
                                    "[Desktop Entry]\nExec=/old/tidora\nHidden = true\n");
    Autostart autostart(home.configRoot(), QStringLiteral("/opt/tidora/bin/tidora"));
    QVERIFY(!autostart.isEnabled());
    autostart.registerAtLaunch();
    QVERIFY(autostart.isEnabled());
    QVERIFY(read(path).contains("\nExec=/opt/tidora/bin/tidora\n"));
}

void TestAutostart::logsAFailureAndGoesOn()
{
    TempHome home;
    // A file where the autostart folder should be.
    home.write(QStringLiteral(".config/autostart"), "not a folder");
    Autostart autostart(home.configRoot(), QStringLiteral("/opt/tidora/bin/tidora"));
    LogCapture log;
    autostart.registerAtLaunch();
    QVERIFY(!autostart.isEnabled());
    QCOMPARE(log.startingWith(QStringLiteral("Tidorama: launch at login failed: ")).size(), 1);
    QCOMPARE(read(home.configRoot() + QStringLiteral("/autostart")), QByteArray("not a folder"));

    // A path no entry can hold is refused, not written broken.
    TempHome other;
    Autostart broken(other.configRoot(), QStringLiteral("/opt/two\nlines/tidora"));
    log.clear();
    broken.registerAtLaunch();
    QVERIFY(!QFileInfo::exists(broken.entryPath()));
    QCOMPARE(log.startingWith(QStringLiteral("Tidorama: launch at login failed: ")).size(), 1);
}

void TestAutostart::quotesThePathForTheDesktopEntryRules_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("argument");
    QTest::newRow("plain") << "/usr/bin/tidora"
                           << "/usr/bin/tidora";
    QTest::newRow("space") << "/home/me/My Apps/tidora"
                           << "\"/home/me/My Apps/tidora\"";
    QTest::newRow("quote and dollar") << "/opt/a\"b$c/tidora"
                                      << "\"/opt/a\\\"b\\$c/tidora\"";
    QTest::newRow("backslash") << "/opt/a\\b/tidora"
                               << "\"/opt/a\\\\b/tidora\"";
    QTest::newRow("percent") << "/opt/100%/tidora"
                             << "/opt/100%%/tidora";
    QTest::newRow("unicode and tab") << "/opt/\u00fcber\tneu/tidora"
                                     << "\"/opt/\u00fcber\tneu/tidora\"";
}

void TestAutostart::quotesThePathForTheDesktopEntryRules()
{
    QFETCH(QString, program);
    QFETCH(QString, argument);
    QCOMPARE(Autostart::execArgument(program), argument);
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
                                 "sys.stdout.buffer.write(argv[0].encode())\n"),
                  autostart.entryPath()});
    QVERIFY(python.waitForFinished(60000));
    QCOMPARE(python.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()), program);
}

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
