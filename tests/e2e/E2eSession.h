#pragma once

#include "CajaDesktop.h"
#include "DesktopDriver.h"
#include "TempHome.h"
#include "TidoraProcess.h"
#include "TrayHost.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LocalFileSystem.h"
#include "store/DesktopStack.h"

#include <memory>

// What every end-to-end test starts from: a fresh home whose Desktop holds the given files,
// the first-run choice made, Caja drawing the Desktop when asked, a tray host, and the built
// program started in it.
class E2eSession
{
public:
    struct Options
    {
        // Written onto the Desktop with their names as contents.
        QStringList desktopFiles;
        bool firstRunDone = true;
        bool caja = false;
        bool tray = true;
        bool launch = true;
    };

    // The home is made here: HOME and the XDG variables point into it from now on.
    E2eSession();
    ~E2eSession();
    E2eSession(const E2eSession&) = delete;
    E2eSession& operator=(const E2eSession&) = delete;

    // False with the reason when the machine cannot give what was asked.
    bool setUp(const Options& options, QString* error);

    TempHome& home() { return m_home; }
    QString desktopPath(const QString& name) const { return m_home.desktop() + u'/' + name; }
    CajaDesktop& caja() { return *m_caja; }
    TrayHost& tray() { return m_tray; }
    DesktopDriver& driver() { return m_driver; }
    TidoraProcess& app() { return *m_app; }
    bool hasApp() const { return m_app != nullptr; }

    // Starts the program (the built one, or another copy of it) and waits until it is up,
    // answering what it reports in alerts at launch, as a user would; with `alerts`, how many.
    bool launch(const QString& executable = TidoraProcess::program(), int* alerts = nullptr);
    // Takes over a copy started by the test.
    void adopt(std::unique_ptr<TidoraProcess> app) { m_app = std::move(app); }
    // Ends the program as the session would.
    void quit() { m_app.reset(); }

    // The stacks file as the program wrote it, read with the program's own reader.
    QList<DesktopStack> stacks() const;
    bool waitForStacks(qsizetype count) const;

private:
    TempHome m_home;
    LinuxPaths m_paths;
    std::unique_ptr<CajaDesktop> m_caja;
    TrayHost m_tray;
    std::unique_ptr<TidoraProcess> m_app;
    DesktopDriver m_driver{m_tray, m_app};
};
