#include "E2eSession.h"

#include "E2eTools.h"
#include "store/StackListFile.h"

#include <QTest>

E2eSession::E2eSession()
{
    // The settings of GLib programs (Caja, gio) stay in memory: nothing of the account running
    // the tests is touched.
    qputenv("GSETTINGS_BACKEND", "memory");
}

E2eSession::~E2eSession()
{
    quit();
    m_tray.stop();
    m_caja.reset();
}

bool E2eSession::setUp(const Options& options, QString* error)
{
    if (!m_home.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    const QByteArray chosen =
        options.firstRunDone ? QByteArray("acknowledgedHiddenStorage=true\n") : QByteArray();
    m_home.write(QStringLiteral(".config/Tidora/Tidora.conf"),
                 "[General]\n" + chosen + "storageLocation=documents\n");
    for (const QString& name : options.desktopFiles)
        m_home.write(QStringLiteral("Desktop/") + name, name.toUtf8());
    if (options.caja) {
        m_caja = std::make_unique<CajaDesktop>(m_home.desktop());
        if (!m_caja->waitUntilReady(options.desktopFiles)) {
            *error = QStringLiteral("Caja did not show the Desktop");
            return false;
        }
    }
    if (options.tray && !m_tray.start()) {
        *error = QStringLiteral("trayer does not start");
        return false;
    }
    if (options.launch && !launch()) {
        *error = QStringLiteral("the program does not launch:\n") + m_app->output();
        return false;
    }
    return true;
}

bool E2eSession::launch(const QString& executable, int* alerts)
{
    m_app = std::make_unique<TidoraProcess>(QStringList(), executable);
    if (!m_app->process().waitForStarted(E2eTools::timeoutMs))
        return false;
    // A report at launch (what it found, what it set aside) waits for an answer.
    const bool launched = QTest::qWaitFor(
        [&] {
            if (m_app->output().contains(QStringLiteral("launched with")))
                return true;
            const int shown = m_driver.dismissAlerts();
            if (alerts)
                *alerts += shown;
            return !m_app->isRunning();
        },
        E2eTools::timeoutMs);
    return launched && m_app->isRunning();
}

QList<DesktopStack> E2eSession::stacks() const
{
    // A file of its own each time: the program writes it, this only reads.
    LocalFileSystem files;
    return StackListFile(m_paths, files).loadStackList();
}

bool E2eSession::waitForStacks(qsizetype count) const
{
    return QTest::qWaitFor([&] { return stacks().size() == count; }, E2eTools::timeoutMs);
}
