#pragma once

#include <QProcess>
#include <QStringList>
#include <QTest>

// Drives the display from outside, as a user would: xdotool for the mouse and keys, xprop to
// read what the window manager sees.
namespace X11TestTools {

using namespace Qt::StringLiterals;

// Runs a program to its end; true when it succeeded.
inline bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool done = process.waitForFinished(10000) && process.exitCode() == 0;
    if (output)
        *output = process.readAllStandardOutput();
    return done;
}

inline bool xdotool(const QStringList& arguments)
{
    return run(u"xdotool"_s, arguments);
}

// xdotool with its arguments in one line, split at spaces.
inline bool xdo(const QString& line)
{
    return xdotool(line.split(u' '));
}

inline QString xdotoolOutput(const QStringList& arguments)
{
    QByteArray output;
    run(u"xdotool"_s, arguments, &output);
    return QString::fromUtf8(output).trimmed();
}

inline QString xprop(const QStringList& arguments)
{
    QByteArray output;
    run(u"xprop"_s, arguments, &output);
    return QString::fromUtf8(output);
}

inline QString xprop(quint64 window)
{
    return xprop({u"-id"_s, QString::number(window)});
}

#ifdef DRAG_SOURCE
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
    return xdotoolOutput({u"search"_s, u"--sync"_s, u"--name"_s, u"tidora drag source"_s});
}

#endif

} // namespace X11TestTools
