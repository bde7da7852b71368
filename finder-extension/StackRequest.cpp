#include "StackRequest.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

namespace StackRequest {

bool open(const QString& programFolder)
{
    const QStringList arguments{QString::fromLatin1(url)};
    const QFileInfo tidora(programFolder + QStringLiteral("/tidora"));
    if (tidora.isFile() && tidora.isExecutable() &&
        QProcess::startDetached(tidora.filePath(), arguments))
        return true;
    return QProcess::startDetached(QStringLiteral("xdg-open"), arguments);
}

} // namespace StackRequest
