#pragma once

#include "X11TestTools.h"
#include "platform/DesktopPlatform.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTest>

#include <functional>

// The screen as the user sees it, for the tests that run on a real X server with a window
// manager.
namespace X11Screen {

// The window manager starts alongside the test; windows mapped before it runs would be taken
// over half-way.
inline bool waitForWindowManager()
{
    return QTest::qWaitFor(
        [] {
            return X11TestTools::xprop(
                       {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains(QLatin1String("window id"));
        },
        10000);
}

// The whole screen now, kept as `name` in the working folder.
inline QImage screenshot(const QString& name)
{
    const QString path = QDir::current().filePath(name);
    QFile::remove(path);
    if (!X11TestTools::run(QStringLiteral("import"),
                           {QStringLiteral("-window"), QStringLiteral("root"), path}))
        return {};
    return QImage(path);
}

// The whole screen once it has stopped changing: two shots in a row alike.
inline QImage settledScreenshot(const QString& name)
{
    QImage previous;
    QImage shot;
    const bool settled = QTest::qWaitFor(
        [&] {
            previous = shot;
            shot = screenshot(name);
            return !shot.isNull() && shot == previous;
        },
        15000);
    return settled ? shot : QImage();
}

inline bool near(const QColor& a, const QColor& b, int tolerance = 6)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

inline int countPixels(const QImage& shot, const QRect& area,
                       const std::function<bool(QColor)>& test)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(shot.pixelColor(x, y)) ? 1 : 0;
    return count;
}

// Starts (`on`) or stops the compositor in `process`, and waits until the platform knows.
inline bool composite(QProcess& process, bool on, const DesktopPlatform& platform)
{
    if (on && process.state() == QProcess::NotRunning) {
        process.start(QStringLiteral("xcompmgr"), QStringList());
        if (!process.waitForStarted())
            return false;
    } else if (!on && process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    return QTest::qWaitFor([&platform, on] { return platform.hasCompositor() == on; });
}

// Each look is checked with a compositor and without one.
inline void withAndWithoutCompositor()
{
    QTest::addColumn<bool>("compositor");
    QTest::newRow("opaque") << false;
    QTest::newRow("composited") << true;
}

} // namespace X11Screen
