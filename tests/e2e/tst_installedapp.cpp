#include "E2eSession.h"
#include "E2eTools.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <map>
#include <memory>
#include <optional>

namespace {

using E2eTools::itemNames;
using E2eTools::run;
using E2eTools::timeoutMs;
using E2eTools::windowRect;

const QString cajaScript = QStringLiteral(".config/caja/scripts/Stack with Tidora");

QStringList manifestLines(const QString& manifest)
{
    return QString::fromUtf8(TempHome::read(manifest)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

// Tidora as a user gets it: installed with cmake --install into a prefix in a fresh home,
// started from there on a Desktop drawn by Caja, given its right-click action through the
// tray menu, used through that action and its stack window, and uninstalled through the tray
// menu. The functions run in order, each building on the last.
class TestInstalledApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void installsForThisUser();
    void trayMenuAddsTheRightClickAction();
    void rightClickActionStacksThreeFiles();
    void spreadPutsTheIconsBack();
    void uninstallGivesEverythingBack();

private:
    TempHome& home() { return m_session->home(); }
    TidoraProcess& app() { return m_session->app(); }
    QString desktopPath(const QString& name) const { return m_session->desktopPath(name); }
    // The one stack there is; an empty one when there is not exactly one.
    DesktopStack onlyStack() const;
    bool waitForState(StackState state) const;
    bool chooseInTrayMenu(const QString& item)
    {
        return m_session->driver().chooseInTrayMenu(item);
    }
    bool answerAlert(const QStringList& keys)
    {
        return m_session->driver().answerAlert(keys, timeoutMs);
    }

    std::unique_ptr<E2eSession> m_session;
    QString m_prefix;
    QStringList m_names;
    std::map<QString, QPointF> m_before;
};

void TestInstalledApp::initTestCase()
{
    m_session = std::make_unique<E2eSession>();
    m_prefix = home().home() + QStringLiteral("/.local");
    // A second file manager for the program to find, whether or not this machine has Nemo.
    const QString nemo = home().write(QStringLiteral("programs/nemo"), "#!/bin/sh\nexit 0\n");
    QVERIFY(QFile::setPermissions(nemo, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("PATH", QFile::encodeName(QFileInfo(nemo).path()) + ':' + qgetenv("PATH"));

    E2eSession::Options options;
    m_names = {QStringLiteral("alpha.txt"), QStringLiteral("beta.txt"), QStringLiteral("gamma.txt"),
               QStringLiteral("note.txt")};
    options.desktopFiles = m_names;
    options.caja = true;
    options.launch = false;
    QString error;
    QVERIFY2(m_session->setUp(options, &error), qPrintable(error));
}

DesktopStack TestInstalledApp::onlyStack() const
{
    const QList<DesktopStack> all = m_session->stacks();
    return all.size() == 1 ? all.first() : DesktopStack();
}

bool TestInstalledApp::waitForState(StackState state) const
{
    return QTest::qWaitFor(
        [&] {
            const DesktopStack stack = onlyStack();
            return !stack.id.isNull() && stack.state == state;
        },
        timeoutMs);
}

void TestInstalledApp::installsForThisUser()
{
    int status = -1;
    run(QStringLiteral(TIDORA_CMAKE),
        {QStringLiteral("--install"), QStringLiteral(TIDORA_BUILD_DIR), QStringLiteral("--prefix"),
         m_prefix},
        &status);
    QCOMPARE(status, 0);
    const QString manifest = m_prefix + QStringLiteral("/share/tidora/install-manifest.txt");
    const QStringList listed = manifestLines(manifest);
    for (const QString& file : {QStringLiteral("/bin/tidora"), QStringLiteral("/bin/tidora-finder"),
                                QStringLiteral("/share/applications/tidora.desktop"),
                                QStringLiteral("/share/icons/hicolor/scalable/apps/tidora.svg"),
                                QStringLiteral("/share/man/man1/tidora.1.gz"),
                                QStringLiteral("/share/man/man1/tidora-finder.1.gz")}) {
        QVERIFY2(listed.contains(m_prefix + file), qPrintable(file));
        QVERIFY(QFileInfo(m_prefix + file).isFile());
    }
    QCOMPARE(listed.last(), manifest);
    // The desktop knows at once that tidorama: links open it.
    const QString handlers =
        run(QStringLiteral("gio"),
            {QStringLiteral("mime"), QStringLiteral("x-scheme-handler/tidorama")});
    QVERIFY2(handlers.contains(QStringLiteral("tidora.desktop")), qPrintable(handlers));
    // The launcher names the program where it was installed.
    QVERIFY(TempHome::read(m_prefix + QStringLiteral("/share/applications/tidora.desktop"))
                .contains(
                    QByteArray("\nExec=\"" + QFile::encodeName(m_prefix) + "/bin/tidora\" %u\n")));

    // Started as a user starts it; it registers itself to open at login.
    QVERIFY2(m_session->launch(m_prefix + QStringLiteral("/bin/tidora")),
             qPrintable(app().output()));
    QVERIFY(app().output().contains(QStringLiteral("launched with 0 stacks")));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return TempHome::read(home().configRoot() + QStringLiteral("/autostart/tidora.desktop"))
                .contains(QByteArray(QFile::encodeName(m_prefix) + "/bin/tidora"));
        },
        timeoutMs));
}

void TestInstalledApp::trayMenuAddsTheRightClickAction()
{
    QVERIFY(chooseInTrayMenu(QStringLiteral("File Manager Right-Click Menu\u2026")));
    QVERIFY(answerAlert({QStringLiteral("Return")}));
    QVERIFY(answerAlert({QStringLiteral("Return")}));
    const QByteArray script = TempHome::read(home().home() + u'/' + cajaScript);
    QVERIFY2(
        script.contains(QByteArray(QFile::encodeName(m_prefix) + "/bin/tidora-finder -- \"$@\"")),
        script.constData());
    QVERIFY(QFileInfo(home().dataRoot() + QStringLiteral("/nemo/actions/tidora-stack.nemo_action"))
                .isFile());
}

void TestInstalledApp::rightClickActionStacksThreeFiles()
{
    const QStringList three{m_names[0], m_names[1], m_names[2]};
    for (const QString& name : three)
        m_before[name] = m_session->caja().icon(name)->centre();

    // The action as Caja runs it: the script, in the folder shown, with the selected paths.
    QProcess action;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QStringList paths;
    for (const QString& name : three)
        paths.append(desktopPath(name));
    environment.insert(QStringLiteral("CAJA_SCRIPT_SELECTED_FILE_PATHS"),
                       paths.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    action.setProcessEnvironment(environment);
    action.setWorkingDirectory(home().desktop());
    const qsizetype before = app().output().size();
    action.start(home().home() + u'/' + cajaScript, paths);
    QVERIFY(action.waitForFinished(timeoutMs));
    QCOMPARE(action.exitCode(), 0);
    QCOMPARE(action.readAll(), QByteArray());

    QVERIFY2(app().waitForOutput(QStringLiteral("tidorama://stack-selection"), before),
             qPrintable(app().output().mid(before)));
    QVERIFY2(m_session->waitForStacks(1), qPrintable(app().output().mid(before)));
    const DesktopStack stack = onlyStack();
    QCOMPARE(itemNames(stack), QStringList({m_names[0], m_names[1], m_names[2]}));
    // Each file kept the place its icon had.
    for (const StackItem& item : stack.items)
        QCOMPARE(item.position, std::optional(m_before.at(item.name)));
    // The stack is saved before its files move: they follow.
    for (const QString& name : three)
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(desktopPath(name)), timeoutMs);
    QVERIFY(QFileInfo::exists(desktopPath(m_names[3])));
}

void TestInstalledApp::spreadPutsTheIconsBack()
{
    QVERIFY(waitForState(StackState::collapsed));
    const DesktopStack stack = onlyStack();
    // A click only selects a stacked stack; a double-click spreads it.
    QVERIFY(m_session->driver().spreadByDoubleClick(
        windowRect(stack).toRect(), [&] { return onlyStack().state != StackState::collapsed; }));
    QVERIFY(waitForState(StackState::expanded));
    for (const auto& [name, centre] : m_before) {
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(desktopPath(name)); }, timeoutMs));
        QVERIFY2(m_session->caja().waitForIconAt(name, centre), qPrintable(name));
    }
}

void TestInstalledApp::uninstallGivesEverythingBack()
{
    const QString manifest = m_prefix + QStringLiteral("/share/tidora/install-manifest.txt");
    const QStringList installed = manifestLines(manifest);
    QVERIFY(m_session->driver().clickDesktop());
    QVERIFY(chooseInTrayMenu(QStringLiteral("Uninstall Tidora\u2026")));
    // The checkbox has the focus while it keeps "Uninstall" disabled.
    QVERIFY2(answerAlert({QStringLiteral("space"), QStringLiteral("Return")}),
             qPrintable(app().output()));
    QVERIFY2(app().waitForExit(), qPrintable(app().output()));
    QCOMPARE(app().process().exitCode(), 0);

    for (const QString& name : std::as_const(m_names))
        QCOMPARE(TempHome::read(desktopPath(name)), name.toUtf8());
    QVERIFY(!QFileInfo::exists(home().documents() + QStringLiteral("/.Tidora")));
    QVERIFY(!QFileInfo::exists(home().dataRoot() + QStringLiteral("/Tidorama/stacks.json")));
    QVERIFY(!QFileInfo::exists(home().configRoot() + QStringLiteral("/Tidora/Tidora.conf")));
    QVERIFY(!QFileInfo::exists(home().configRoot() + QStringLiteral("/autostart/tidora.desktop")));
    for (const QString& file : installed)
        QVERIFY2(!QFileInfo::exists(file), qPrintable(file));
    // And no list of the desktop's still names it.
    QVERIFY(!TempHome::read(m_prefix + QStringLiteral("/share/applications/mimeinfo.cache"))
                 .contains("tidora.desktop"));
    QVERIFY(!QFileInfo::exists(m_prefix + QStringLiteral("/bin")));
    // And the right-click actions that would run the program now gone.
    QVERIFY(!QFileInfo::exists(home().home() + u'/' + cajaScript));
    QVERIFY(!QFileInfo::exists(home().dataRoot() +
                               QStringLiteral("/nemo/actions/tidora-stack.nemo_action")));
}

QTEST_GUILESS_MAIN(TestInstalledApp)
#include "tst_installedapp.moc"
