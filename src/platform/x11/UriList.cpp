#include "platform/x11/UriList.h"

#include <QFile>
#include <QUrl>

QStringList localFilesOfUriList(const QByteArray& list)
{
    QStringList files;
    for (QByteArray line : list.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
        if (!url.isValid() || !url.isLocalFile())
            continue;
        // A file on another machine is no file of this Desktop.
        if (url.host() == QLatin1String("localhost"))
            url.setHost(QString());
        else if (!url.host().isEmpty())
            continue;
        const QString path = url.toLocalFile();
        // The bytes the URI names must be the bytes of the path Qt would open.
        if (path.isEmpty() ||
            QFile::encodeName(path) !=
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()))
            continue;
        files.append(path);
    }
    return files;
}
