#include "platform/linux/LinuxDesktopBridge.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/PlatformLog.h"
#include "platform/Settings.h"
#include "platform/linux/CajaBackend.h"
#include "platform/linux/DingBackend.h"
#include "platform/linux/IconDetour.h"
#include "platform/linux/NemoBackend.h"
#include "platform/linux/NoDesktopBackend.h"
#include "platform/linux/PcmanfmBackend.h"
#include "platform/linux/PlasmaBackend.h"
#include "platform/linux/XfdesktopBackend.h"

#include <QFileInfo>
#include <QMutexLocker>
#include <QStandardPaths>

#include <unistd.h>

LinuxDesktopBridge::LinuxDesktopBridge(const Paths& paths, FileSystem& fileSystem,
                                       const Settings& settings, Probes probes, QString procRoot,
                                       ProgramSession session)
    : DesktopBridge(paths.desktop(), fileSystem)
    , m_files(fileSystem)
    , m_settings(settings)
    , m_probes(std::move(probes))
    , m_procRoot(std::move(procRoot))
    , m_session(std::move(session))
    , m_home(paths.home())
    , m_configRoot(paths.configRoot())
    , m_metadata(paths.home(),
                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
    , m_handOver(paths.runtimeFolder())
{
    refreshSetting();
    // A detour interrupted by a crash left files under hidden names: bring them back first.
    IconDetour detour(m_files, desktopFolder());
    for (const QString& name : detour.recover()) {
        qCInfo(lcPlatform).noquote()
            << QStringLiteral("Tidorama: put %1 back on the Desktop after an interrupted move")
                   .arg(name);
    }
}

LinuxDesktopBridge::~LinuxDesktopBridge() = default;

DesktopProgram LinuxDesktopBridge::program()
{
    backend();
    const QMutexLocker lock(&m_mutex);
    return m_current;
}

void LinuxDesktopBridge::refreshSetting()
{
    const std::optional<DesktopProgram> forced =
        DesktopPrograms::fromSetting(m_settings.value(SettingsKey::desktopBackend).toString());
    const QMutexLocker lock(&m_mutex);
    m_forced = forced;
}

DesktopBackend& LinuxDesktopBridge::backend()
{
    std::optional<DesktopProgram> program;
    {
        const QMutexLocker lock(&m_mutex);
        program = m_forced;
    }
    if (!program) {
        const QStringList wmClass = m_probes.windowClass ? m_probes.windowClass() : QStringList();
        if (!wmClass.isEmpty()) {
            program = DesktopPrograms::fromWindowClass(wmClass);
        } else if (const auto process =
                       DesktopPrograms::findProcess(m_procRoot, ::getuid(), m_session)) {
            program = process->program;
        }
    }
    const DesktopProgram found = program.value_or(DesktopProgram::none);
    const QMutexLocker lock(&m_mutex);
    if (found != m_current) {
        qCInfo(lcPlatform).noquote() << QStringLiteral("Tidorama: the Desktop is drawn by %1")
                                            .arg(DesktopPrograms::settingName(found));
    }
    m_current = found;
    std::unique_ptr<DesktopBackend>& made = m_backends[found];
    if (!made)
        made = makeBackend(found);
    return *made;
}

std::unique_ptr<DesktopBackend> LinuxDesktopBridge::makeBackend(DesktopProgram program)
{
    switch (program) {
    case DesktopProgram::caja:
        return std::make_unique<CajaBackend>(m_files, desktopFolder(), m_metadata);
    case DesktopProgram::nemo:
        return std::make_unique<NemoBackend>(m_files, desktopFolder(), m_metadata, m_configRoot);
    case DesktopProgram::ding:
        return std::make_unique<DingBackend>(m_files, desktopFolder(), m_metadata,
                                             m_probes.workArea);
    case DesktopProgram::plasma:
        return std::make_unique<PlasmaBackend>(m_files, desktopFolder());
    case DesktopProgram::xfdesktop:
        return std::make_unique<XfdesktopBackend>(m_files, desktopFolder(), m_configRoot,
                                                  m_probes.workArea);
    case DesktopProgram::pcmanfm:
    case DesktopProgram::pcmanfmQt: {
        // The profile the running program was started with (LXDE and LXQt name their own).
        QString profile;
        if (const auto process = DesktopPrograms::findProcess(m_procRoot, ::getuid(), m_session))
            profile = DesktopPrograms::optionValue(process->arguments, QStringLiteral("profile"),
                                                   QStringLiteral("p"));
        return std::make_unique<PcmanfmBackend>(program == DesktopProgram::pcmanfm
                                                    ? PcmanfmBackend::Flavour::gtk
                                                    : PcmanfmBackend::Flavour::qt,
                                                m_configRoot, profile);
    }
    case DesktopProgram::none:
        break;
    }
    return std::make_unique<NoDesktopBackend>();
}

QStringList LinuxDesktopBridge::presentNames() const
{
    const std::optional<Listing> listing = m_files.list(desktopFolder());
    QStringList names = listing ? listing->names : QStringList();
    names.sort();
    return names;
}

BridgeResult<QList<DesktopFile>> LinuxDesktopBridge::readDesktopItems()
{
    const BridgeResult<PositionMap> positions = backend().allPositions();
    if (!positions)
        return positions.error();
    QList<DesktopFile> items;
    for (const QString& name : presentNames()) {
        const auto found = positions.value().constFind(name);
        items.append(
            DesktopFile{desktopFolder() + QLatin1Char('/') + name,
                        found == positions.value().cend() ? std::nullopt : std::optional(*found)});
    }
    return items;
}

BridgeResult<QList<DesktopFile>> LinuxDesktopBridge::readSelection()
{
    DesktopBackend& current = backend();
    return current.hasLiveSelection() ? current.liveSelection() : DesktopBackend::unseenSelection();
}

std::optional<QList<DesktopFile>> LinuxDesktopBridge::takeHandOver()
{
    QStringList unreadable;
    const std::optional<QStringList> handed =
        m_handOver.take(QDateTime::currentDateTimeUtc(), &unreadable);
    if (!handed)
        return std::nullopt;
    const PositionMap positions = backend().allPositions().valueOr(PositionMap());
    QList<DesktopFile> files;
    for (const QString& path : *handed) {
        const QFileInfo info(path);
        const auto found = info.path() == desktopFolder() ? positions.constFind(info.fileName())
                                                          : positions.cend();
        files.append(
            DesktopFile{path, found == positions.cend() ? std::nullopt : std::optional(*found)});
    }
    for (const QString& path : std::as_const(unreadable))
        files.append(DesktopFile{path, std::nullopt, true});
    return files;
}

BridgeResult<QList<NamedPosition>> LinuxDesktopBridge::readPositions(const QStringList& names)
{
    refreshSetting();
    DesktopBackend& current = backend();
    const BridgeResult<PositionMap> positions = current.allPositions();
    if (!positions)
        return positions.error();
    QList<NamedPosition> rows;
    for (const QString& name : names) {
        const auto found = positions.value().constFind(name);
        // A program's store may keep entries for files that have left.
        if (found != positions.value().cend() && current.canExpress(name) &&
            m_files.exists(desktopFolder() + QLatin1Char('/') + name))
            rows.append(NamedPosition{name, *found});
    }
    return rows;
}

BridgeResult<void> LinuxDesktopBridge::writePositions(const QList<NamedPosition>& positions)
{
    refreshSetting();
    DesktopBackend& current = backend();
    const QList<NamedPosition> sent = expressible(current, positions);
    return sent.isEmpty() ? BridgeResult<void>() : current.place(sent);
}

BridgeResult<void> LinuxDesktopBridge::writeAnnouncement(const QList<NamedPosition>& positions)
{
    refreshSetting();
    DesktopBackend& current = backend();
    const QList<NamedPosition> sent = expressible(current, positions);
    return sent.isEmpty() ? BridgeResult<void>() : current.announce(sent);
}

QList<NamedPosition> LinuxDesktopBridge::expressible(const DesktopBackend& backend,
                                                     const QList<NamedPosition>& positions)
{
    QList<NamedPosition> kept;
    for (const NamedPosition& entry : positions) {
        if (backend.canExpress(entry.name))
            kept.append(entry);
    }
    return kept;
}
