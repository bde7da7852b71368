#include "LogCapture.h"

#include <QtGlobal>

namespace {
QStringList captured;
QtMessageHandler previous = nullptr;
int active = 0;

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    captured.append(message);
    if (previous && (type == QtFatalMsg || qEnvironmentVariableIsSet("TIDORA_TEST_VERBOSE")))
        previous(type, context, message);
}
} // namespace

LogCapture::LogCapture()
{
    if (active++ == 0)
        previous = qInstallMessageHandler(handler);
    captured.clear();
}

LogCapture::~LogCapture()
{
    if (--active == 0)
        qInstallMessageHandler(previous);
}

const QStringList& LogCapture::lines() const
{
    return captured;
}

bool LogCapture::contains(const QString& text) const
{
    for (const QString& line : captured) {
        if (line.contains(text))
            return true;
    }
    return false;
}

QStringList LogCapture::startingWith(const QString& prefix) const
{
    QStringList found;
    for (const QString& line : captured) {
        if (line.startsWith(prefix))
            found.append(line);
    }
    return found;
}

void LogCapture::clear()
{
    captured.clear();
}
