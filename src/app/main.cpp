#include "app/AboutDialog.h"
#include "app/AppLog.h"
#include "app/SessionDisplay.h"
#include "app/SingleInstance.h"
#include "app/StacksApp.h"
#include "desktop/FileIcons.h"
#include "desktop/QtAlerts.h"
#include "platform/DesktopPlatform.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/TerminationSignal.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

namespace {

// Two copies would move the same files: this one does not start, and says why.
void tellBlocked(qint64 process)
{
    const QString running = process > 0 ? QStringLiteral(" (process %1)").arg(process) : QString();
    const QString text =
        QStringLiteral("The copy of Tidora that is already running") + running +
        QStringLiteral(" did not quit when asked, so this one does not start: two copies would "
                       "move the same files. Quit Tidora from its tray menu, or end that process, "
                       "and start Tidora again.");
    std::fprintf(stderr, "tidora: %s\n", qPrintable(text));
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.message = QStringLiteral("Tidora is already running");
    alert.informativeText = text;
    alert.buttons = {QStringLiteral("OK")};
    QtAlerts().run(alert);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Tidora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIDORA_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(AboutDialog::credits);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("url"),
                                 QStringLiteral("tidorama://stack-selection stacks the Desktop's "
                                                "selected files."),
                                 QStringLiteral("[url…]"));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const bool understood = parser.parse(arguments);
    const SessionDisplay display =
        SessionDisplay::choose(SessionDisplay::Environment::ofThisProcess());
    const bool noDisplay = !display.refusal.isEmpty();
    // Help, the version and a mistyped option are answered without a window system. (With a
    // display, the window system's own options, such as -display, are taken out first.)
    if (parser.isSet(help) || parser.isSet(version) || (!understood && noDisplay)) {
        const QCoreApplication answer(argc, argv);
        parser.process(answer);
    }
    if (noDisplay) {
        std::fprintf(stderr, "tidora: %s\n", qPrintable(display.refusal));
        return 1;
    }
    // For this process only: the programs it opens files with keep the session's own platform.
    if (!display.qtPlatform.isEmpty())
        qputenv("QT_QPA_PLATFORM", display.qtPlatform);
    QApplication app(argc, argv);
    if (!display.qtPlatform.isEmpty())
        qunsetenv("QT_QPA_PLATFORM");
    QApplication::setDesktopFileName(QStringLiteral("tidora"));
    // The program lives in the tray: closing a dialog never ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    // Before the tray menu or any window looks an icon up.
    FileIcons::useInstalledTheme();
    parser.process(app);
    const QStringList urls = parser.positionalArguments();

    // Before anything touches the stacks: hand the URLs to a running copy and go, or make the
    // running copy quit and take its place once it is gone.
    SingleInstance instance(LinuxPaths().runtimeFolder());
    switch (instance.start(urls)) {
    case SingleInstance::Outcome::Forwarded:
        return 0;
    case SingleInstance::Outcome::Blocked:
        tellBlocked(instance.blockingProcess());
        return 1;
    case SingleInstance::Outcome::Listening:
    case SingleInstance::Outcome::Alone:
        break;
    }

    StacksApp stacks(createDesktopPlatform(), QApplication::applicationVersion());
    QObject::connect(&instance, &SingleInstance::quitRequested, &stacks, [&stacks] {
        qCDebug(lcApp) << "a newer copy takes over";
        stacks.quitWhenSafe();
    });
    const TerminationSignal termination;
    QObject::connect(&termination, &TerminationSignal::received, &stacks, [&stacks] {
        qCDebug(lcApp) << "asked to end";
        stacks.quitWhenSafe();
    });
    QObject::connect(
        &instance, &SingleInstance::urlsReceived, &stacks,
        [&stacks](const QStringList& received) { stacks.delegate().openUrls(received); });
    stacks.launch(urls);
    // Told to go before the main loop ran (during a launch alert): exit() has no loop to end.
    if (stacks.quitting())
        return 0;
    return QApplication::exec();
}
