#include "platform/linux/QtRunningProgram.h"

#include "platform/linux/filemanagers/FileManagerActions.h"

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

void QtRunningProgram::removeDesktopIntegration()
{
    FileManagerActions(FileManagerActions::userPlaces(), QString()).remove();
}
