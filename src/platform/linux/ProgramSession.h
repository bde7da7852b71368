#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Where a process draws and which login it belongs to, as its environment says. A desktop
// program of another session (another display: a second seat, a remote or nested session) is
// none of ours: its positions and selection are not the ones the user sees here.
struct ProgramSession
{
    // DISPLAY without the screen number (":0.0" and "unix:0" are ":0").
    QString display;
    // XDG_SESSION_ID and DBUS_SESSION_BUS_ADDRESS; empty when not set.
    QString loginSession;
    QString bus;

    // The session of this process.
    static ProgramSession current();
    // From a process's environment (NUL-separated, as /proc/PID/environ holds it) and its
    // arguments (a --display option overrides DISPLAY).
    static ProgramSession of(const QByteArray& environment, const QStringList& arguments);
    static QString normalisedDisplay(const QString& display);
    // Same display, and the same login session and bus wherever both know theirs. Without a
    // display nothing is shared.
    bool sharedWith(const ProgramSession& other) const;
};
