#include "platform/linux/QtRunningProgram.h"

#include "platform/PlatformLog.h"
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
    const FileManagerActions::Outcome outcome =
        FileManagerActions(FileManagerActions::userPlaces(), QString()).remove();
    // Uninstalling goes on: an action left behind is named in the log.
    for (const FileManager manager : outcome.failed)
        qCWarning(lcPlatform).noquote()
            << QStringLiteral("Tidorama: could not remove the right-click action from %1")
                   .arg(FileManagerActions::name(manager));
}
