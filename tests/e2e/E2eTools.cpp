#include "E2eTools.h"

#include "TidoraProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QTest>

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

bool click(QPointF point, const QString& modifier)
{
    QStringList words = mouseAt(point);
    if (!modifier.isEmpty())
        words << QStringLiteral("keydown") << modifier;
    words << QStringLiteral("click") << QStringLiteral("1");
    if (!modifier.isEmpty())
        words << QStringLiteral("keyup") << modifier;
    return xdotool(words);
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

QStringList search(const QStringList& criteria)
{
    return run(QStringLiteral("xdotool"),
               QStringList{QStringLiteral("search"), QStringLiteral("--onlyvisible")} + criteria)
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList windowsNamed(const QString& name)
{
    QStringList found = search(
        {QStringLiteral("--name"), QLatin1Char('^') + QRegularExpression::escape(name) + u'$'});
    found.removeIf([](const QString& id) {
        const QRect geometry = windowGeometry(id);
        return geometry.width() <= 100 || geometry.height() <= 64;
    });
    return found;
}

bool doubleClickStackWindow()
{
    QString window;
    const bool under = QTest::qWaitFor(
        [&] {
            window = windowsNamed(QStringLiteral("Tidora stack")).value(0);
            if (window.isEmpty() ||
                !xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                          QStringLiteral("70"), QStringLiteral("60")}))
                return false;
            const QString location =
                run(QStringLiteral("xdotool"),
                    {QStringLiteral("getmouselocation"), QStringLiteral("--shell")});
            return location.section(u'\n', -1) == QStringLiteral("WINDOW=") + window;
        },
        timeoutMs);
    return under &&
           xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                    QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
}

std::unique_ptr<TidoraProcess> stackWithTheProgram(const QStringList& paths, const QString& stack)
{
    const QString config = QDir::homePath() + QStringLiteral("/.config/Tidora");
    QFile settings(config + QStringLiteral("/Tidora.conf"));
    if (!QDir().mkpath(config) || !settings.open(QIODevice::WriteOnly) ||
        settings.write("[General]\nacknowledgedHiddenStorage=true\nstorageLocation=documents\n") <
            0)
        return nullptr;
    settings.close();
    auto program = std::make_unique<TidoraProcess>();
    int status = -1;
    run(QStringLiteral(TIDORA_FINDER), paths, &status);
    const QString folder = QDir::homePath() + QStringLiteral("/Documents/.Tidora/") + stack + u'/';
    const bool stacked =
        status == 0 &&
        QTest::qWaitFor(
            [&] {
                return std::all_of(paths.cbegin(), paths.cend(), [&](const QString& path) {
                    return QFile::exists(folder + QFileInfo(path).fileName()) &&
                           !QFile::exists(path);
                });
            },
            timeoutMs);
    return stacked ? std::move(program) : nullptr;
}

QStringList programWindows()
{
    return search({QStringLiteral("--class"), QStringLiteral("^tidora$")});
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

namespace {

xcb_atom_t atomNamed(xcb_connection_t* connection, const QByteArray& name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()),
        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

} // namespace

bool answersPing(qint64 processId, int timeoutMs)
{
    const QStringList ids =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--pid"), QString::number(processId)})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (ids.isEmpty())
        return false;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const auto disconnect = qScopeGuard([connection] { xcb_disconnect(connection); });
    if (xcb_connection_has_error(connection))
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t protocols = atomNamed(connection, "WM_PROTOCOLS");
    const xcb_atom_t ping = atomNamed(connection, "_NET_WM_PING");
    // The answer goes to the root window, to whoever listens to its structure (its children's
    // in older Qt): asked for before the ping leaves, so it cannot come too early to be seen.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    // In the timestamp field, which the window manager matches against its own pings only.
    static uint32_t serial = 0x7ead0000;
    const uint32_t token = ++serial;
    QSet<uint32_t> asked;
    for (const QString& id : ids) {
        // Some of them may be no window of Qt's (which never answers); one answer is enough.
        const uint32_t window = id.toUInt();
        asked.insert(window);
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = protocols;
        event.data.data32[0] = ping;
        event.data.data32[1] = token;
        event.data.data32[2] = window;
        xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
    }
    xcb_flush(connection);
    bool answered = false;
    (void)QTest::qWaitFor(
        [&] {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
                if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                    const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                    answered = answered ||
                               (message->type == protocols && message->data.data32[0] == ping &&
                                message->data.data32[1] == token &&
                                asked.contains(message->data.data32[2]));
                }
                std::free(event);
            }
            return answered || xcb_connection_has_error(connection);
        },
        timeoutMs);
    return answered;
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
