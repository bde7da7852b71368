#include "E2eTools.h"

#include <QProcess>
#include <QRegularExpression>

#include <xcb/xcb.h>

#include <cstdlib>

namespace E2eTools {

QString run(const QString& program, const QStringList& arguments, int* exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    if (exitCode)
        *exitCode =
            finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool xdotool(const QStringList& arguments)
{
    int status = -1;
    run(QStringLiteral("xdotool"), arguments, &status);
    return status == 0;
}

QStringList mouseAt(QPointF point)
{
    return {QStringLiteral("mousemove"), QString::number(qRound(point.x())),
            QString::number(qRound(point.y()))};
}

QStringList dragBy(QPointF from, QPointF step, int steps)
{
    const QString pause = QStringLiteral("0.2");
    QStringList drag = mouseAt(from);
    drag << QStringLiteral("mousedown") << QStringLiteral("1") << QStringLiteral("sleep") << pause;
    for (int i = 0; i < steps; ++i)
        drag << QStringLiteral("mousemove_relative") << QStringLiteral("--")
             << QString::number(qRound(step.x())) << QString::number(qRound(step.y()))
             << QStringLiteral("sleep") << pause;
    return drag << QStringLiteral("sleep") << QStringLiteral("0.3") << QStringLiteral("mouseup")
                << QStringLiteral("1");
}

QRect windowGeometry(const QString& id)
{
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    auto field = [&info](const QString& name) {
        const QRegularExpression line(name + QStringLiteral(":\\s*(-?\\d+)"));
        return line.match(info).captured(1).toInt();
    };
    if (!info.contains(QStringLiteral("IsViewable")))
        return {};
    return QRect(field(QStringLiteral("Absolute upper-left X")),
                 field(QStringLiteral("Absolute upper-left Y")), field(QStringLiteral("Width")),
                 field(QStringLiteral("Height")));
}

QStringList windowsNamed(const QString& name)
{
    const QString ids =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
             QLatin1Char('^') + QRegularExpression::escape(name) + u'$'});
    QStringList found;
    for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QRect geometry = windowGeometry(id);
        if (geometry.width() > 100 && geometry.height() > 64)
            found.append(id);
    }
    return found;
}

QStringList programWindows()
{
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                QStringLiteral("--class"), QStringLiteral("^tidora$")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

namespace {

// A grab asked for on a window of ours that is never mapped: the server answers "already
// grabbed" when another client holds the device and "not viewable" otherwise, so asking never
// takes it from the program under test.
struct GrabProbe
{
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = XCB_NONE;

    static const GrabProbe& instance()
    {
        static const GrabProbe probe = [] {
            GrabProbe made;
            made.connection = xcb_connect(nullptr, nullptr);
            if (xcb_connection_has_error(made.connection))
                return made;
            const xcb_screen_t* screen =
                xcb_setup_roots_iterator(xcb_get_setup(made.connection)).data;
            made.window = xcb_generate_id(made.connection);
            xcb_create_window(made.connection, 0, made.window, screen->root, 0, 0, 1, 1, 0,
                              XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
            return made;
        }();
        return probe;
    }
};

template<typename Reply>
bool alreadyGrabbed(Reply* reply)
{
    const bool grabbed = reply && reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
    std::free(reply);
    return grabbed;
}

} // namespace

bool keyboardGrabbed()
{
    const GrabProbe& probe = GrabProbe::instance();
    if (probe.window == XCB_NONE)
        return false;
    return alreadyGrabbed(xcb_grab_keyboard_reply(
        probe.connection,
        xcb_grab_keyboard(probe.connection, 0, probe.window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                          XCB_GRAB_MODE_ASYNC),
        nullptr));
}

bool pointerGrabbed()
{
    const GrabProbe& probe = GrabProbe::instance();
    if (probe.window == XCB_NONE)
        return false;
    return alreadyGrabbed(xcb_grab_pointer_reply(
        probe.connection,
        xcb_grab_pointer(probe.connection, 0, probe.window, 0, XCB_GRAB_MODE_ASYNC,
                         XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
        nullptr));
}

bool hasFocus(const QString& id)
{
    return run(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}) == id &&
           run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}) == id;
}

QRectF windowRect(const DesktopStack& stack)
{
    return QRectF(stack.windowOrigin.x(), screenHeight - stack.windowOrigin.y() - 150, 140, 150);
}

QStringList itemNames(const DesktopStack& stack)
{
    QStringList names;
    for (const StackItem& item : stack.items)
        names.append(item.name);
    names.sort();
    return names;
}

} // namespace E2eTools
