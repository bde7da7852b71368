#include "platform/linux/QtRunningProgram.h"

#include <QCoreApplication>

QString QtRunningProgram::executableFolder() const
{
    return QCoreApplication::applicationDirPath();
}

void QtRunningProgram::quit()
{
    // Queued, so the caller's own step ends before the event loop does.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}
