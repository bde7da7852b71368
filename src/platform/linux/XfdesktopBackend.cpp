#include "platform/linux/XfdesktopBackend.h"

#include "platform/FileSystem.h"
#include "platform/linux/XfdesktopIconFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>

namespace {

constexpr int defaultIconSize = 48;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

XfdesktopBackend::XfdesktopBackend(FileSystem& fileSystem, QString desktopFolder,
                                   QString configRoot, std::function<QRect()> workArea)
    : m_fileSystem(fileSystem)
    , m_desktop(std::move(desktopFolder))
    , m_configRoot(std::move(configRoot))
    , m_workArea(std::move(workArea))
    , m_detour(fileSystem, m_desktop, IconDetour::Route::hiddenFolder)
{}

int XfdesktopBackend::iconSize(const QString& configRoot)
{
    // xfconf keeps the channel as XML: <property name="desktop-icons"><property
    // name="icon-size" type="uint" value="48"/></property>.
    QFile file(configRoot + QStringLiteral("/xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml"));
    if (!file.open(QIODevice::ReadOnly))
        return defaultIconSize;
    QXmlStreamReader xml(&file);
    QStringList path;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement && xml.name() == QLatin1String("property")) {
            path.append(xml.attributes().value(QLatin1String("name")).toString());
            if (path == QStringList{QStringLiteral("desktop-icons"), QStringLiteral("icon-size")}) {
                bool ok = false;
                const int size = xml.attributes().value(QLatin1String("value")).toInt(&ok);
                return ok && size >= 8 && size <= 192 ? size : defaultIconSize;
            }
        } else if (token == QXmlStreamReader::EndElement &&
                   xml.name() == QLatin1String("property") && !path.isEmpty()) {
            path.removeLast();
        }
    }
    return defaultIconSize;
}

std::optional<XfdesktopGrid> XfdesktopBackend::grid() const
{
    const QRect area = m_workArea ? m_workArea() : QRect();
    const XfdesktopGrid grid(area, iconSize(m_configRoot));
    if (!grid.isValid())
        return std::nullopt;
    return grid;
}

QString XfdesktopBackend::iconFile() const
{
    const QString folder = m_configRoot + QStringLiteral("/xfce4/desktop");
    const QFileInfo latest(folder + QStringLiteral("/icons.screen.latest.rc"));
    if (latest.isSymLink())
        return latest.symLinkTarget();
    // Without the link: the newest of the screen sizes' files.
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("icons.screen0-*.rc")}, QDir::Files, QDir::Time);
    return files.isEmpty() ? QString() : folder + QLatin1Char('/') + files.first();
}

QByteArray XfdesktopBackend::groupOf(const QString& name) const
{
    return QFile::encodeName(m_desktop + QLatin1Char('/') + name);
}

bool XfdesktopBackend::canExpress(const QString& name) const
{
    return XfdesktopIconFile::canName(groupOf(name));
}

BridgeResult<PositionMap> XfdesktopBackend::allPositions()
{
    const std::optional<XfdesktopGrid> cells = grid();
    const QString path = iconFile();
    if (!cells || path.isEmpty())
        return PositionMap();
    const QByteArray prefix = QFile::encodeName(m_desktop) + '/';
    PositionMap positions;
    const auto stored = XfdesktopIconFile(readAll(path)).cells();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        if (!it.key().startsWith(prefix))
            continue;
        const QByteArray name = it.key().mid(prefix.size());
        if (!name.contains('/') && !name.isEmpty())
            positions.insert(QFile::decodeName(name), cells->centreOf(it.value()));
    }
    return positions;
}

BridgeResult<QStringList> XfdesktopBackend::write(const QList<NamedPosition>& positions,
                                                  bool arrivingOnly)
{
    const std::optional<XfdesktopGrid> cells = grid();
    if (!cells)
        return placeFailure(QStringLiteral("the size of the screen is not known"));
    const QString path = iconFile();
    if (path.isEmpty())
        return placeFailure(QStringLiteral("xfdesktop's icon file was not found"));
    XfdesktopIconFile file(readAll(path));
    const auto before = file.cells();
    QStringList changed;
    for (const NamedPosition& entry : positions) {
        const bool present = m_fileSystem.exists(m_desktop + QLatin1Char('/') + entry.name);
        // Arriving files only where nothing of that name is there; shown ones only if there.
        if (present == arrivingOnly)
            continue;
        const XfdesktopGrid::Cell cell = cells->cellFor(entry.position);
        const QByteArray group = groupOf(entry.name);
        if (before.value(group, XfdesktopGrid::Cell{-1, -1}) == cell)
            continue;
        file.setCell(group, cell);
        changed.append(entry.name);
    }
    if (changed.isEmpty())
        return changed;
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile save(path);
    if (!save.open(QIODevice::WriteOnly) || save.write(file.text()) != file.text().size() ||
        !save.commit())
        return placeFailure(
            QStringLiteral("%1 could not be written: %2").arg(path, save.errorString()));
    return changed;
}

BridgeResult<void> XfdesktopBackend::announce(const QList<NamedPosition>& positions)
{
    const BridgeResult<QStringList> written = write(positions, true);
    if (!written)
        return written.error();
    return {};
}

BridgeResult<void> XfdesktopBackend::place(const QList<NamedPosition>& positions)
{
    const BridgeResult<QStringList> written = write(positions, false);
    if (!written)
        return written.error();
    return strandedFailure(m_detour.runEach(written.value()));
}
