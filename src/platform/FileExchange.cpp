#include "platform/FileExchange.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(__linux__)
#include <fcntl.h>
#endif

FileExchange::Result FileExchange::exchange(const QString& first, const QString& second)
{
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    if (::renameat2(AT_FDCWD, QFile::encodeName(first).constData(), AT_FDCWD,
                    QFile::encodeName(second).constData(), RENAME_EXCHANGE) == 0)
        return {Outcome::exchanged, {}};
    const int error = errno;
    // Kernels before 3.15 lack the call; file systems without the swap say EINVAL.
    const bool unsupported = error == ENOSYS || error == EINVAL || error == EOPNOTSUPP;
    return {unsupported ? Outcome::unsupported : Outcome::failed,
            QString::fromLocal8Bit(std::strerror(error))};
#else
    Q_UNUSED(first);
    Q_UNUSED(second);
    return {Outcome::unsupported, QStringLiteral("not supported on this system")};
#endif
}
