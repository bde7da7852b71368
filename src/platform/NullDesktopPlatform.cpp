#include "platform/NullDesktopPlatform.h"

#include "platform/PlatformLog.h"

void NullDesktopPlatform::logAbsence(const QString& reason, Features missing)
{
    if (missing)
        qCWarning(lcPlatform).noquote() << QStringLiteral("Tidorama: %1, so these are off: %2")
                                               .arg(reason, featureNames(missing));
}
