#include "platform/macos/AppleScriptBridge.h"

#include "engine/FinderScripts.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#if defined(__APPLE__)
#include <QFile>
#include <sys/stat.h>
#endif

namespace {

const QString scriptFailed = QStringLiteral("Finder script failed.");
// Finder answers within the two minutes an Apple event waits; a little more covers start-up.
constexpr int answerTimeoutMs = 150 * 1000;

} // namespace

AppleScriptBridge::AppleScriptBridge(QString desktopFolder, const FileSystem& fileSystem,
                                     QString osascript)
    : DesktopBridge(std::move(desktopFolder), fileSystem)
    , m_osascript(std::move(osascript))
{}

BridgeResult<QString> AppleScriptBridge::runScript(const QString& source) const
{
    QProcess process;
    process.setProgram(m_osascript);
    // With no script file or -e, osascript reads the script from its standard input.
    process.start(QIODevice::ReadWrite);
    if (!process.waitForStarted())
        return BridgeError{QStringLiteral("Could not build the Finder script."), 0};
    process.write(source.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(answerTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return BridgeError{scriptFailed, 0};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return errorFromReport(QString::fromUtf8(process.readAllStandardError()));
    QString result = QString::fromUtf8(process.readAllStandardOutput());
    // osascript ends what it prints with a line feed of its own.
    if (result.endsWith(QLatin1Char('\n')))
        result.chop(1);
    return result;
}

BridgeError AppleScriptBridge::errorFromReport(const QString& report)
{
    QStringList lines = report.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString line = lines.isEmpty() ? QString() : lines.last().trimmed();
    static const QRegularExpression numbered(QStringLiteral("^(.*?)\\s*\\((-?\\d+)\\)$"));
    static const QRegularExpression located(QStringLiteral("^(?:-?\\d+:-?\\d+: )?"
                                                           "(?:[a-z ]*error:\\s*)?(.*)$"));
    BridgeError error{line, 0};
    if (const QRegularExpressionMatch match = numbered.match(line); match.hasMatch()) {
        bool fits = false;
        const qint64 code = match.captured(2).toLongLong(&fits);
        if (fits) {
            error.code = code;
            error.message = match.captured(1);
        }
    }
    error.message = located.match(error.message).captured(1).trimmed();
    if (error.message.isEmpty())
        error.message = scriptFailed;
    return error;
}

BridgeResult<QList<DesktopFile>> AppleScriptBridge::readDesktopItems()
{
    return readFiles(FinderScripts::allItems());
}

BridgeResult<QList<DesktopFile>> AppleScriptBridge::readSelection()
{
    return readFiles(FinderScripts::selection());
}

BridgeResult<QList<NamedPosition>> AppleScriptBridge::readPositions(const QStringList& names)
{
    const BridgeResult<QString> reply = runScript(FinderScripts::positions(names));
    if (!reply)
        return reply.error();
    QList<NamedPosition> rows;
    for (const FinderScripts::ReplyRow& row : FinderScripts::parseReply(reply.value()))
        rows.append(NamedPosition{row.text, QPointF(row.x, row.y)});
    return rows;
}

BridgeResult<void> AppleScriptBridge::writePositions(const QList<NamedPosition>& positions)
{
    const BridgeResult<QString> reply = runScript(FinderScripts::setPositions(positions));
    if (!reply)
        return reply.error();
    return {};
}

bool AppleScriptBridge::canExpress(const QString& name) const
{
    return DesktopBridge::canExpress(name) && !name.contains(QLatin1Char('\t')) &&
           !name.contains(QLatin1Char('\n')) && !name.contains(QLatin1Char('\r'));
}

bool AppleScriptBridge::hasHiddenFlag(const QString& path,
                                      [[maybe_unused]] HiddenLists& lists) const
{
#if defined(__APPLE__)
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 &&
           (info.st_flags & UF_HIDDEN) != 0;
#else
    return DesktopBridge::hasHiddenFlag(path, lists);
#endif
}

BridgeResult<QList<DesktopFile>> AppleScriptBridge::readFiles(const QString& script) const
{
    const BridgeResult<QString> reply = runScript(script);
    if (!reply)
        return reply.error();
    QList<DesktopFile> files;
    for (const FinderScripts::ReplyRow& row : FinderScripts::parseReply(reply.value()))
        // Finder writes a folder's path with a trailing slash.
        files.append(DesktopFile{QDir::cleanPath(row.text), QPointF(row.x, row.y)});
    return files;
}
