#pragma once

#include "store/DesktopStack.h"

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QStringList>

// What the end-to-end tests do on the X server of scripts/with-x11.sh: run programs, place the
// mouse, find windows, and read the stacks the program wrote.
namespace E2eTools {

// Generous, for a slow machine.
constexpr int timeoutMs = 60000;
// The screen under scripts/with-x11.sh.
constexpr qreal screenHeight = 800;

// Runs a program to its end; its standard output, trimmed. `exitCode` is -1 when it did not
// end normally.
QString run(const QString& program, const QStringList& arguments, int* exitCode = nullptr);
// The xdotool words that move the mouse there.
QStringList mouseAt(QPointF point);
// A window's place on the screen, as xwininfo reports it; invalid when it is not shown.
QRect windowGeometry(const QString& id);
// The visible windows with exactly this name that are larger than a tray icon.
QStringList windowsNamed(const QString& name);
// Qt's top-left rectangle of a stack window whose origin is recorded in screen coordinates.
QRectF windowRect(const DesktopStack& stack);
// The names of a stack's files, sorted.
QStringList itemNames(const DesktopStack& stack);

} // namespace E2eTools
