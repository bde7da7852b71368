#pragma once

#include <QProcess>
#include <QStringList>
#include <QTest>

// Drives the display from outside, as a user would: xdotool for the mouse and keys, xprop to
// read what the window manager sees.
namespace X11TestTools {

inline bool xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

inline QString xdotoolOutput(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

inline QString xprop(quint64 window)
{
    QProcess process;
    process.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window)});
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Waits for the drag source to say one of `lines` (see dragsource.cpp), skipping what it said
// before; returns the line, empty when it said none of them in time.
inline QByteArray waitForLine(QProcess& source, const QList<QByteArray>& lines, int timeout = 15000)
{
    QByteArray said;
    const bool heard = QTest::qWaitFor(
        [&] {
            while (source.canReadLine()) {
                said = source.readLine().trimmed();
                if (lines.contains(said))
                    return true;
            }
            return false;
        },
        timeout);
    return heard ? said : QByteArray();
}

// Starts the Qt drag source at (x, y) offering `files`; returns its window id once it has
// painted its window, empty when it did not show up.
inline QString startDragSource(QProcess& source, int x, int y, const QStringList& files)
{
    source.start(QStringLiteral(DRAG_SOURCE),
                 QStringList{QString::number(x), QString::number(y)} + files);
    if (!source.waitForStarted() || waitForLine(source, {"shown"}).isEmpty())
        return {};
    return xdotoolOutput({QStringLiteral("search"), QStringLiteral("--sync"),
                          QStringLiteral("--name"), QStringLiteral("tidora drag source")});
}

} // namespace X11TestTools
