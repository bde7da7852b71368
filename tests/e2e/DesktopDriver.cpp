#include "DesktopDriver.h"

#include "E2eTools.h"
#include "TidoraProcess.h"
#include "TrayHost.h"

#include <QRectF>
#include <QTest>

#include <algorithm>

namespace {

constexpr int shortWaitMs = 10000;

// The program's windows on the screen now, its menus included.
QStringList programWindows()
{
    return E2eTools::run(QStringLiteral("xdotool"),
                         {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--class"), QStringLiteral("^tidora$")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

DesktopDriver::DesktopDriver(TrayHost& tray, TidoraProcess*& app)
    : m_tray(tray)
    , m_app(app)
{}

bool DesktopDriver::xdotool(const QStringList& arguments) const
{
    int status = -1;
    E2eTools::run(QStringLiteral("xdotool"), arguments, &status);
    return status == 0;
}

bool DesktopDriver::waitForNewWindow(const QStringList& before) const
{
    const bool shown = QTest::qWaitFor(
        [&] {
            const QStringList now = programWindows();
            return std::any_of(now.cbegin(), now.cend(),
                               [&](const QString& id) { return !before.contains(id); });
        },
        shortWaitMs);
    // Mapped is not yet taking keys; the menu grabs the keyboard right after.
    if (shown)
        QTest::qWait(200);
    return shown;
}

bool DesktopDriver::chooseInTrayMenu(const QString& item, int subItem)
{
    const std::optional<QRect> icon = m_tray.waitForIcon();
    if (!icon)
        return false;
    const qsizetype before = m_app->output().size();
    const QStringList shownBefore = programWindows();
    if (!xdotool(E2eTools::mouseAt(QRectF(*icon).center())
                 << QStringLiteral("click") << QStringLiteral("3")))
        return false;
    // An alert open takes every click: the icon does not answer until it is closed, so the
    // wait ends as soon as one shows rather than for a menu that cannot come.
    bool alertShown = false;
    const bool menuShown = QTest::qWaitFor(
        [&] {
            if (m_app->output().indexOf(QStringLiteral("menu: "), before) >= 0)
                return true;
            alertShown = !E2eTools::windowsNamed(QStringLiteral("Tidora")).isEmpty();
            return alertShown;
        },
        shortWaitMs);
    if (!menuShown || alertShown || !waitForNewWindow(shownBefore)) {
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        return false;
    }
    const QString output = m_app->output().mid(before);
    const QString line = output.mid(output.lastIndexOf(QStringLiteral("menu: ")) + 6)
                             .section(QLatin1Char('\n'), 0, 0);
    QStringList enabled;
    for (const QString& entry : line.split(QStringLiteral(" | "))) {
        if (entry.startsWith(QLatin1Char('+')))
            enabled.append(entry.mid(1).trimmed());
    }
    const qsizetype index = enabled.indexOf(item);
    if (index <= 0) {
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        return false;
    }
    // Counted from the end: the selection's answer may still turn the first item on or off.
    QStringList keys{QStringLiteral("key")};
    for (qsizetype i = index; i < enabled.size(); ++i)
        keys.append(QStringLiteral("Up"));
    if (subItem < 0) {
        keys.append(QStringLiteral("Return"));
        return xdotool(keys);
    }
    keys.append(QStringLiteral("Right"));
    const QStringList withMenu = programWindows();
    if (!xdotool(keys))
        return false;
    // Keys meant for the submenu must not reach the menu it hangs from.
    if (!waitForNewWindow(withMenu)) {
        xdotool({QStringLiteral("key"), QStringLiteral("Escape"), QStringLiteral("Escape")});
        return false;
    }
    QStringList sub{QStringLiteral("key")};
    for (int i = 0; i < subItem; ++i)
        sub.append(QStringLiteral("Down"));
    sub.append(QStringLiteral("Return"));
    return xdotool(sub);
}

QList<QRect> DesktopDriver::stackWindows() const
{
    QList<QRect> windows;
    // Only the part on the screen takes a click.
    const QRect screen(0, 0, 1280, int(E2eTools::screenHeight));
    for (const QString& id : E2eTools::windowsNamed(QStringLiteral("Tidora stack")))
        windows.append(E2eTools::windowGeometry(id).intersected(screen));
    windows.removeIf(
        [](const QRect& window) { return window.width() < 20 || window.height() < 20; });
    return windows;
}

bool DesktopDriver::chooseLastInWindowMenu(QPointF centre)
{
    const QStringList shownBefore = programWindows();
    if (!xdotool(E2eTools::mouseAt(centre) << QStringLiteral("click") << QStringLiteral("3")))
        return false;
    if (!waitForNewWindow(shownBefore)) {
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        return false;
    }
    return xdotool({QStringLiteral("key"), QStringLiteral("Up"), QStringLiteral("Return")});
}

bool DesktopDriver::answerAlert(const QStringList& keys, int timeoutMs)
{
    QStringList alerts;
    if (!QTest::qWaitFor(
            [&] {
                alerts = E2eTools::windowsNamed(QStringLiteral("Tidora"));
                return !alerts.isEmpty();
            },
            timeoutMs))
        return false;
    const QString alert = alerts.first();
    // Not --sync: that waits without end for a window closed meanwhile or one the window
    // manager declines to activate.
    xdotool({QStringLiteral("windowactivate"), alert});
    if (!QTest::qWaitFor(
            [&] {
                return E2eTools::run(QStringLiteral("xdotool"),
                                     {QStringLiteral("getactivewindow")}) == alert;
            },
            shortWaitMs))
        return false;
    xdotool(QStringList{QStringLiteral("key")} + keys);
    return QTest::qWaitFor(
        [&] { return !E2eTools::windowsNamed(QStringLiteral("Tidora")).contains(alert); },
        shortWaitMs);
}

int DesktopDriver::dismissAlerts()
{
    int dismissed = 0;
    while (!E2eTools::windowsNamed(QStringLiteral("Tidora")).isEmpty() && dismissed < 10) {
        answerAlert({QStringLiteral("Return")}, 0);
        ++dismissed;
    }
    return dismissed;
}
