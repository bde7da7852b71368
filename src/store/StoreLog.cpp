#include "store/StoreLog.h"

Q_LOGGING_CATEGORY(lcStore, "tidora.store")

void logCouldNot(const char* verb, const QString& path, const QString& reason)
{
    qCWarning(lcStore).noquote()
        << QStringLiteral("Tidorama: could not %1 %2: %3").arg(QLatin1String(verb), path, reason);
}

void logUnnamed(const char* verb, const QString& folder, int count)
{
    if (count <= 0)
        return;
    logCouldNot(
        verb, folder,
        count == 1
            ? QStringLiteral("1 item there has a name that is not valid UTF-8")
            : QStringLiteral("%1 items there have names that are not valid UTF-8").arg(count));
}
