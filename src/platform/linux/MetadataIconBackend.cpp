#include "platform/linux/MetadataIconBackend.h"

#include "platform/FileSystem.h"
#include "platform/PlatformLog.h"

#include <QDateTime>
#include <QLineF>
#include <QRegularExpression>
#include <QSet>

namespace {

// How far an icon image may lie from where its stored point puts it and still be that icon
// (the program rounds to whole pixels at other zoom levels).
constexpr qreal matchTolerance = 2.5;

} // namespace

MetadataIconBackend::MetadataIconBackend(Program program, FileSystem& fileSystem,
                                         QString desktopFolder, const GvfsMetadata& metadata)
    : m_program(std::move(program))
    , m_fileSystem(fileSystem)
    , m_desktop(std::move(desktopFolder))
    , m_metadata(metadata)
    , m_atspi(m_program.atspiName, m_program.atspiEveryWindowIsDesktop)
    , m_detour(fileSystem, m_desktop)
{}

std::optional<QPoint> MetadataIconBackend::parseStoredPoint(const QString& text)
{
    static const QRegularExpression point(QStringLiteral("^(-?\\d{1,9}),(-?\\d{1,9})$"));
    const QRegularExpressionMatch match = point.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return QPoint(match.captured(1).toInt(), match.captured(2).toInt());
}

std::optional<QList<MetadataIconBackend::Stored>>
MetadataIconBackend::readStore(QString* failure) const
{
    const auto entries = m_metadata.read(m_desktop, key(), failure);
    if (!entries)
        return std::nullopt;
    QList<Stored> stored;
    for (const GvfsMetadata::Entry& entry : *entries) {
        // Hidden entries show no icon; a position kept for one is left from an earlier file.
        if (entry.name.startsWith(QLatin1Char('.')))
            continue;
        stored.append(Stored{entry.name, entry.displayName,
                             entry.value ? parseStoredPoint(*entry.value) : std::nullopt});
    }
    return stored;
}

Status MetadataIconBackend::store(const QString& name, QPoint point) const
{
    GvfsMetadata::Values values{{key(), QStringLiteral("%1,%2").arg(point.x()).arg(point.y())}};
    if (m_program.stampsPositions)
        values.append({key() + QStringLiteral("-timestamp"),
                       QString::number(QDateTime::currentSecsSinceEpoch())});
    return m_metadata.set(m_desktop + QLatin1Char('/') + name, values);
}

Status MetadataIconBackend::forget(const QString& name) const
{
    return m_metadata.set(m_desktop + QLatin1Char('/') + name, {{key(), QString()}});
}

std::optional<QStringList>
MetadataIconBackend::unplaced(const QList<NamedPosition>& positions) const
{
    QString failure;
    const auto stored = readStore(&failure);
    if (!stored)
        return std::nullopt;
    QSet<QString> placed;
    for (const Stored& entry : *stored) {
        if (entry.point)
            placed.insert(entry.name);
    }
    QStringList names;
    for (const NamedPosition& entry : positions) {
        // Hidden files show no icon, so they never get a point.
        if (!placed.contains(entry.name) && !entry.name.startsWith(QLatin1Char('.')))
            names.append(entry.name);
    }
    return names;
}

BridgeResult<PositionMap> MetadataIconBackend::allPositions()
{
    // While the program arranges the icons itself, their stored points are not where they show.
    if (!takesPositions())
        return PositionMap();
    QString failure;
    const auto stored = readStore(&failure);
    if (!stored)
        return readFailure(failure);
    PositionMap positions;
    for (const Stored& entry : *stored) {
        if (entry.point)
            positions.insert(entry.name, centreOf(*entry.point));
    }
    return positions;
}

BridgeResult<void> MetadataIconBackend::announce(const QList<NamedPosition>& positions)
{
    if (!takesPositions())
        return {};
    for (const NamedPosition& entry : positions) {
        // A file of that name already there keeps its place: the arriving one cannot replace it.
        if (m_fileSystem.exists(m_desktop + QLatin1Char('/') + entry.name))
            continue;
        if (const Status set = store(entry.name, storedFor(entry.position)); !set) {
            return placeFailure(
                QStringLiteral("the metadata service (%1) refused the position of “%2”: %3")
                    .arg(GvfsMetadata::service, entry.name, set.description()));
        }
    }
    return {};
}

BridgeResult<void> MetadataIconBackend::place(const QList<NamedPosition>& positions)
{
    if (!takesPositions())
        return {};
    QString failure;
    const auto stored = readStore(&failure);
    if (!stored)
        return placeFailure(failure);
    QHash<QString, std::optional<QPoint>> current;
    for (const Stored& entry : *stored)
        current.insert(entry.name, entry.point);
    QStringList moved;
    std::optional<BridgeError> refused;
    for (const NamedPosition& entry : positions) {
        const auto found = current.constFind(entry.name);
        // Items that are not on the Desktop are ignored.
        if (found == current.cend())
            continue;
        const QPoint point = storedFor(entry.position);
        if (*found == point)
            continue;
        if (const Status set = store(entry.name, point); !set) {
            refused = placeFailure(
                QStringLiteral("the metadata service (%1) refused the position of “%2”: %3")
                    .arg(GvfsMetadata::service, entry.name, set.description()));
            break;
        }
        current.insert(entry.name, point);
        moved.append(entry.name);
    }
    // Those already set are shown afresh even when a later one was refused.
    const BridgeResult<void> shown = strandedFailure(showAgain(moved));
    if (refused)
        return *refused;
    return shown;
}

QStringList MetadataIconBackend::showAgain(const QStringList& names)
{
    return m_detour.runEach(names);
}

BridgeResult<QList<DesktopFile>> MetadataIconBackend::liveSelection()
{
    QString failure;
    const auto icons = m_atspi.selectedIcons(&failure);
    if (!icons) {
        return selectionFailure(failure);
    }
    if (icons->isEmpty())
        return QList<DesktopFile>();
    const auto stored = readStore(&failure);
    if (!stored)
        return readFailure(failure);

    QList<DesktopFile> selected;
    QSet<QString> taken;
    for (AtspiIcon icon : *icons) {
        if (!m_program.atspiImagesAreTrue)
            icon.image.reset();
        const Stored* match = matchIcon(icon, *stored, taken);
        if (!match)
            continue;
        taken.insert(match->name);
        std::optional<QPointF> position;
        if (icon.image)
            position = QRectF(*icon.image).center();
        else if (match->point)
            position = centreOf(*match->point);
        selected.append(DesktopFile{m_desktop + QLatin1Char('/') + match->name, position});
    }
    return selected;
}

const MetadataIconBackend::Stored* MetadataIconBackend::matchIcon(const AtspiIcon& icon,
                                                                  const QList<Stored>& stored,
                                                                  const QSet<QString>& taken) const
{
    QList<const Stored*> named;
    QList<const Stored*> free;
    for (const Stored& entry : stored) {
        if (taken.contains(entry.name))
            continue;
        free.append(&entry);
        if (entry.displayName == icon.name || entry.name == icon.name)
            named.append(&entry);
    }
    if (named.size() == 1)
        return named.first();
    if (!icon.image)
        return nullptr;
    // Several files of that label, or none (a launcher shows its own title): the one whose
    // stored position is where the icon is shown.
    const QPointF shownAt = QRectF(*icon.image).center();
    const Stored* best = nullptr;
    qreal bestDistance = matchTolerance;
    for (const Stored* entry : named.isEmpty() ? free : named) {
        if (!entry->point)
            continue;
        const qreal distance = QLineF(shownAt, centreOf(*entry->point)).length();
        if (distance <= bestDistance) {
            best = entry;
            bestDistance = distance;
        }
    }
    return best;
}
