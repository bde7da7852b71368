#pragma once

#include "store/DesktopStack.h"

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <memory>

class TidoraProcess;

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
// Runs xdotool; whether it succeeded.
bool xdotool(const QStringList& arguments);
// The xdotool words that move the mouse there.
QStringList mouseAt(QPointF point);
// A left click there, with the modifier key (say "ctrl") held when given.
bool click(QPointF point, const QString& modifier = QString());
// The xdotool words of a left-button drag from `from` by `steps` moves of `step`, made as a
// hand makes it: the receiver answers itself between the moves (a drag and drop only drops
// where its target has already answered), which nothing outside it can see.
QStringList dragBy(QPointF from, QPointF step, int steps);
// The visible windows xdotool finds with these criteria, the pattern last (say --class tidora).
QStringList search(const QStringList& criteria);
// A window's place on the screen, as xwininfo reports it; invalid when it is not shown.
QRect windowGeometry(const QString& id);
// The visible windows with exactly this name that are larger than a tray icon.
QStringList windowsNamed(const QString& name);
// Double-clicks the first shown stack window in its middle, once the pointer put there is over
// it: a window manager may show its frame a moment after the window.
bool doubleClickStackWindow();
// Starts the program in the test's home, its first-run questions answered (stacks kept in
// Documents), and hands it these Desktop files as the right-click action does; the running
// program once they all lie in the folder of the stack named `stack`, else nothing.
std::unique_ptr<TidoraProcess> stackWithTheProgram(const QStringList& paths, const QString& stack);
// The program's windows on the screen now, its menus included.
QStringList programWindows();
// Whether some program holds the keyboard, as an open menu does.
bool keyboardGrabbed();
// Whether some program holds the pointer, as one drawing a rubber band or dragging does: a
// click goes to it, wherever it lands.
bool pointerGrabbed();
// Sends a window manager's ping to every window of the process and waits up to `timeoutMs`
// for an answer. A Qt program answers from its event loop, so an answer says that it has come
// back to the loop since the ping was sent: it is between two operations.
bool answersPing(qint64 processId, int timeoutMs);
// Whether the window has the keyboard focus and is the active one.
bool hasFocus(const QString& id);
// Qt's top-left rectangle of a stack window whose origin is recorded in screen coordinates.
QRectF windowRect(const DesktopStack& stack);
// The names of a stack's files, sorted.
QStringList itemNames(const DesktopStack& stack);

} // namespace E2eTools
