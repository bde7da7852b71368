#include "app/AboutDialog.h"
#include "app/SingleInstance.h"
#include "app/StacksApp.h"
#include "platform/DesktopPlatform.h"
#include "platform/linux/LinuxPaths.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

int main(int argc, char* argv[])
{
    // Without any display Qt would abort with a core dump; say why instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("tidora: no display to show the stacks on (neither DISPLAY nor WAYLAND_DISPLAY "
                   "is set); start it from a desktop session.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tidora"));
    QApplication::setApplicationVersion(QStringLiteral(TIDORA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tidora"));
    // The program lives in the tray: closing a dialog never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(AboutDialog::credits);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("url"),
                                 QStringLiteral("tidorama://stack-selection stacks the Desktop's "
                                                "selected files."),
                                 QStringLiteral("[url…]"));
    parser.process(app);
    const QStringList urls = parser.positionalArguments();

    // Before anything touches the stacks: hand the URLs to a running copy and go, or make the
    // running copy quit and take its place.
    SingleInstance instance(LinuxPaths().runtimeFolder());
    if (instance.start(urls) == SingleInstance::Outcome::Forwarded)
        return 0;

    StacksApp stacks(createDesktopPlatform(), QApplication::applicationVersion());
    QObject::connect(&instance, &SingleInstance::quitRequested, &app, [] {
        // Leaves a modal alert's loop too; the queued call ends the main loop even when it has
        // not started yet.
        QCoreApplication::quit();
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    QObject::connect(
        &instance, &SingleInstance::urlsReceived, &stacks,
        [&stacks](const QStringList& received) { stacks.delegate().openUrls(received); });
    stacks.launch(urls);
    return QApplication::exec();
}
