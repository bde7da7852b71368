#include "platform/linux/SelectionHandOver.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cstdio>
#include <unistd.h>

namespace {

const QByteArray header = "tidora-selection 1";
// Anything larger is not a selection.
constexpr qint64 maxFileSize = 4 * 1024 * 1024;
// Clocks of two processes agree to this much.
constexpr qint64 clockSlackMs = 1000;

} // namespace

SelectionHandOver::SelectionHandOver(QString runtimeFolder)
    : m_runtimeFolder(std::move(runtimeFolder))
{}

QString SelectionHandOver::filePath() const
{
    return m_runtimeFolder + QStringLiteral("/tidora/selection");
}

std::optional<QStringList> SelectionHandOver::read(const QDateTime& now,
                                                   QStringList* unreadable) const
{
    if (m_runtimeFolder.isEmpty())
        return std::nullopt;
    return readFile(filePath(), now, unreadable);
}

std::optional<QStringList> SelectionHandOver::take(const QDateTime& now,
                                                   QStringList* unreadable) const
{
    if (m_runtimeFolder.isEmpty())
        return std::nullopt;
    // Moved aside in one step before it is read: two requests never both get it, and a newer
    // one that tidora-finder renames into place meanwhile stays there.
    const QString taken = filePath() + QStringLiteral(".taken");
    if (::rename(QFile::encodeName(filePath()).constData(), QFile::encodeName(taken).constData()))
        return std::nullopt;
    std::optional<QStringList> paths = readFile(taken, now, unreadable);
    QFile::remove(taken);
    return paths;
}

std::optional<QStringList> SelectionHandOver::readFile(const QString& path, const QDateTime& now,
                                                       QStringList* unreadable)
{
    const QFileInfo info(path);
    // Only our own plain file counts.
    if (info.isSymLink() || !info.isFile() || info.ownerId() != ::getuid() ||
        info.size() > maxFileSize)
        return std::nullopt;
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.size() < 2 || lines[0] != header)
        return std::nullopt;
    bool ok = false;
    const qint64 written = lines[1].toLongLong(&ok);
    const qint64 age = now.toMSecsSinceEpoch() - written;
    if (!ok || age < -clockSlackMs ||
        age > std::chrono::duration_cast<std::chrono::milliseconds>(freshFor).count())
        return std::nullopt;
    QStringList paths;
    for (qsizetype i = 2; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QByteArray bytes = QByteArray::fromPercentEncoding(lines[i]);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString path = decoder(bytes);
        if (!path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)))
            continue;
        if (!decoder.hasError())
            paths.append(path);
        else if (unreadable)
            unreadable->append(QString::fromUtf8(bytes));
    }
    return paths;
}

QByteArray SelectionHandOver::format(const QList<QByteArray>& paths, qint64 writtenMs)
{
    QByteArray text = header + '\n' + QByteArray::number(writtenMs) + '\n';
    for (const QByteArray& path : paths)
        text += path.toPercentEncoding("/") + '\n';
    return text;
}
