// Watches the global mouse for a while and prints the processor time it took, the events it saw
// and how long it polled: with no button held it should take no time at all, however much the
// mouse moves.
//     desktop_platform_idle [SECONDS]

#include "platform/DesktopPlatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <ctime>

namespace {
double processorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10;
    const std::unique_ptr<DesktopPlatform> platform = createDesktopPlatform();
    int events = 0;
    QObject::connect(platform.get(), &DesktopPlatform::pointerEvent, &app,
                     [&events](const PointerEvent&) { ++events; });
    platform->startPointerEvents();
    platform->registerHotKey();

    const double start = processorSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    QApplication::exec();
    const double used = processorSeconds() - start;
    QTextStream(stdout) << "watched " << wall.elapsed() / 1000.0 << " s: " << used * 1000
                        << " ms of processor time (" << 100 * used / (wall.elapsed() / 1000.0)
                        << " %), " << events << " pointer events\n";
    return 0;
}
