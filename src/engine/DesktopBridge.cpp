#include "engine/DesktopBridge.h"

#include "platform/FileSystem.h"
#include "store/ResolvedFolders.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

DesktopBridge::DesktopBridge(QString desktopFolder, const FileSystem& fileSystem)
    : m_desktopFolder(std::move(desktopFolder))
    , m_fileSystem(fileSystem)
{}

BridgeResult<QList<DesktopFile>> DesktopBridge::desktopItems()
{
    return readDesktopItems();
}

BridgeResult<QList<DesktopFile>> DesktopBridge::selectedFiles(SelectionSource source)
{
    std::optional<QList<DesktopFile>> handed;
    if (source == SelectionSource::contextMenu)
        handed = takeHandOver();
    BridgeResult<QList<DesktopFile>> selection =
        handed ? BridgeResult<QList<DesktopFile>>(std::move(*handed)) : readSelection();
    if (!selection)
        return selection;
    const QString desktop = m_fileSystem.resolved(m_desktopFolder);
    ResolvedFolders parents(m_fileSystem);
    HiddenLists hidden;
    QList<DesktopFile> kept;
    for (const DesktopFile& file : selection.value()) {
        // A name that is not text is judged by how it reads; the file is only named, never
        // looked at.
        if (file.unreadableName) {
            const qsizetype slash = file.path.lastIndexOf(QLatin1Char('/'));
            if (slash + 1 < file.path.size() && file.path.at(slash + 1) != QLatin1Char('.') &&
                parents.folder(file.path.left(slash)) == desktop)
                kept.append(file);
            continue;
        }
        if (!isHiddenFile(file.path, hidden) && parents.parentOf(file.path) == desktop)
            kept.append(file);
    }
    return kept;
}

BridgeResult<PositionMap> DesktopBridge::desktopPositions(const QStringList& names)
{
    QStringList asked;
    for (const QString& name : names) {
        if (canExpress(name))
            asked.append(name);
    }
    if (asked.isEmpty())
        return PositionMap();
    const BridgeResult<QList<NamedPosition>> rows = readPositions(asked);
    if (!rows)
        return rows.error();
    const QSet<QString> wanted(asked.cbegin(), asked.cend());
    PositionMap positions;
    for (const NamedPosition& row : rows.value()) {
        if (wanted.contains(row.name) && !positions.contains(row.name))
            positions.insert(row.name, row.position);
    }
    return positions;
}

BridgeResult<void> DesktopBridge::setDesktopPositions(const QList<NamedPosition>& positions)
{
    const QList<NamedPosition> sent = expressible(positions);
    if (sent.isEmpty())
        return {};
    return writePositions(sent);
}

BridgeResult<void> DesktopBridge::announcePositions(const QList<NamedPosition>& positions)
{
    const QList<NamedPosition> sent = expressible(positions);
    if (sent.isEmpty())
        return {};
    return writeAnnouncement(sent);
}

bool DesktopBridge::isHiddenFile(const QString& path) const
{
    HiddenLists lists;
    return isHiddenFile(path, lists);
}

bool DesktopBridge::isHiddenFile(const QString& path, HiddenLists& lists) const
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return QStringView(path).sliced(slash + 1).startsWith(QLatin1Char('.')) ||
           hasHiddenFlag(path, lists);
}

std::optional<QList<DesktopFile>> DesktopBridge::takeHandOver()
{
    return std::nullopt;
}

BridgeResult<void> DesktopBridge::writeAnnouncement(const QList<NamedPosition>&)
{
    return {};
}

bool DesktopBridge::canExpress(const QString& name) const
{
    return isPlainFileName(name);
}

bool DesktopBridge::hasHiddenFlag(const QString& path, HiddenLists& lists) const
{
    // Split as QFileInfo splits, without building one per file.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0    ? QStringLiteral(".")
                           : slash == 0 ? QStringLiteral("/")
                                        : path.left(slash);
    return lists.hides(folder, path.mid(slash + 1));
}

bool DesktopBridge::isPlainFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        return false;
    // ASCII reads the same in any encoding a file name may be in: only others need the trip.
    if (std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return true;
    return QFile::decodeName(QFile::encodeName(name)) == name;
}

bool DesktopBridge::isUsablePosition(const QPointF& position)
{
    const auto usable = [](qreal value) {
        return std::isfinite(value) && value > std::numeric_limits<qint32>::min() &&
               value < std::numeric_limits<qint32>::max();
    };
    return usable(position.x()) && usable(position.y());
}

QList<NamedPosition> DesktopBridge::expressible(const QList<NamedPosition>& positions) const
{
    QList<NamedPosition> kept;
    for (const NamedPosition& entry : positions) {
        if (canExpress(entry.name) && isUsablePosition(entry.position))
            kept.append(entry);
    }
    return kept;
}
