#include "DesktopDriver.h"

#include "E2eTools.h"
#include "TidoraProcess.h"
#include "TrayHost.h"

#include <QRectF>
#include <QTest>

#include <algorithm>

using E2eTools::xdotool;

namespace {

constexpr int shortWaitMs = 10000;

// A click while another program holds the pointer goes to that program.
bool pointerFree()
{
    return QTest::qWaitFor([] { return !E2eTools::pointerGrabbed(); }, shortWaitMs);
}

bool newWindowShown(const QStringList& before)
{
    const QStringList now = E2eTools::programWindows();
    return std::any_of(now.cbegin(), now.cend(),
                       [&](const QString& id) { return !before.contains(id); });
}

} // namespace

DesktopDriver::DesktopDriver(TrayHost& tray, const std::unique_ptr<TidoraProcess>& app)
    : m_tray(tray)
    , m_app(app)
{}

bool DesktopDriver::waitForMenu(const QStringList& before)
{
    // The menu is mapped before it grabs the keyboard; keys sent in between go to whatever has
    // the focus.
    bool shown = false;
    if (QTest::qWaitFor(
            [&] { return (shown = newWindowShown(before)) && E2eTools::keyboardGrabbed(); },
            shortWaitMs))
        return true;
    qWarning() << (shown ? "the menu shows but does not take the keys" : "no menu shows");
    closeMenu();
    return false;
}

bool DesktopDriver::closeMenu()
{
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    return QTest::qWaitFor([] { return !E2eTools::keyboardGrabbed(); }, shortWaitMs);
}

qsizetype DesktopDriver::openTrayMenu()
{
    const std::optional<QRect> icon = m_tray.waitForIcon();
    if (!icon)
        return -1;
    const qsizetype before = m_app->output().size();
    const QStringList shownBefore = E2eTools::programWindows();
    if (!pointerFree() || !xdotool(E2eTools::mouseAt(QRectF(*icon).center())
                                   << QStringLiteral("click") << QStringLiteral("3")))
        return -1;
    // An alert open takes every click: the icon does not answer until it is closed, so the
    // wait ends as soon as one shows rather than for a menu that cannot come.
    bool alertShown = false;
    const bool menuLogged = QTest::qWaitFor(
        [&] {
            if (m_app->output().indexOf(QStringLiteral("menu: "), before) >= 0)
                return true;
            alertShown = !E2eTools::windowsNamed(QStringLiteral("Tidora")).isEmpty();
            return alertShown;
        },
        shortWaitMs);
    if (!menuLogged || alertShown) {
        closeMenu();
        return -1;
    }
    return waitForMenu(shownBefore) ? before : -1;
}

bool DesktopDriver::chooseInTrayMenu(const QString& item, int subItem)
{
    const qsizetype before = openTrayMenu();
    if (before < 0)
        return false;
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
        qWarning().noquote() << "not offered:" << item << "in" << line;
        closeMenu();
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
    const QStringList withMenu = E2eTools::programWindows();
    if (!xdotool(keys))
        return false;
    // Keys meant for the submenu must not reach the menu it hangs from; the program routes
    // them to the submenu once it is shown.
    if (!QTest::qWaitFor([&] { return newWindowShown(withMenu); }, shortWaitMs)) {
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        closeMenu();
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

bool DesktopDriver::openWindowMenu(QPointF point)
{
    const QStringList shownBefore = E2eTools::programWindows();
    return pointerFree() &&
           xdotool(E2eTools::mouseAt(point) << QStringLiteral("click") << QStringLiteral("3")) &&
           waitForMenu(shownBefore);
}

bool DesktopDriver::waitForStackWindowAt(QRect place)
{
    return QTest::qWaitFor(
        [&] {
            const QStringList shown = E2eTools::windowsNamed(QStringLiteral("Tidora stack"));
            return std::any_of(shown.cbegin(), shown.cend(), [&](const QString& id) {
                return E2eTools::windowGeometry(id) == place;
            });
        },
        E2eTools::timeoutMs);
}

bool DesktopDriver::spreadByDoubleClick(QRect place, const std::function<bool()>& spreading)
{
    // Elsewhere, a click meant for the window would land on the Desktop.
    if (!waitForStackWindowAt(place))
        return false;
    // In its first moments a slow program (the sanitizer build) has been seen to miss the
    // second click: double-click again while nothing happened, as a user would.
    const QPointF centre = QRectF(place).center();
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (spreading())
            return true;
        if (!xdotool(E2eTools::mouseAt(centre)
                     << QStringLiteral("click") << QStringLiteral("--repeat") << QStringLiteral("2")
                     << QStringLiteral("--delay") << QStringLiteral("120") << QStringLiteral("1")))
            return false;
        if (QTest::qWaitFor(spreading, shortWaitMs / 2))
            return true;
    }
    return QTest::qWaitFor(spreading, E2eTools::timeoutMs);
}

bool DesktopDriver::chooseLastInWindowMenu(QPointF centre)
{
    return openWindowMenu(centre) &&
           xdotool({QStringLiteral("key"), QStringLiteral("Up"), QStringLiteral("Return")});
}

bool DesktopDriver::pressKeysIn(const QString& window, const QStringList& keys)
{
    // Not --sync: that waits without end for a window closed meanwhile or one the window
    // manager declines to activate.
    xdotool({QStringLiteral("windowactivate"), window});
    if (!QTest::qWaitFor([&] { return E2eTools::hasFocus(window); }, shortWaitMs))
        return false;
    // The last key may end the program before xdotool is done with the window.
    xdotool(QStringList{QStringLiteral("key")} + keys);
    return true;
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
    return pressKeysIn(alert, keys) &&
           QTest::qWaitFor(
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

bool DesktopDriver::marquee(QPointF from, QPointF to, const QString& selected)
{
    const qsizetype before = m_app->output().size();
    if (!xdotool(E2eTools::mouseAt(from) << QStringLiteral("mousedown") << QStringLiteral("1")))
        return false;
    bool touched = m_app->waitForOutput(QStringLiteral("mouse down, on the Desktop: true"), before);
    if (touched) {
        QStringList moves;
        const QPointF step = (to - from) / 6;
        for (int i = 0; i < 6; ++i)
            moves << QStringLiteral("mousemove_relative") << QStringLiteral("--")
                  << QString::number(qRound(step.x())) << QString::number(qRound(step.y()));
        touched = xdotool(moves) && m_app->waitForOutput(selected, before);
    }
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    // Caja's rubber band holds the pointer until Caja has seen the release.
    return QTest::qWaitFor([] { return !E2eTools::pointerGrabbed(); }, E2eTools::timeoutMs) &&
           touched;
}

bool DesktopDriver::clickDesktop(QPointF at)
{
    const qsizetype before = m_app->output().size();
    return E2eTools::click(at) &&
           m_app->waitForOutput(QStringLiteral("on the Desktop: true selected: []"), before);
}
