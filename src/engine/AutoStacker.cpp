#include "engine/AutoStacker.h"

#include "engine/BackgroundQueries.h"
#include "engine/DesktopBridge.h"
#include "engine/FileAdder.h"
#include "engine/MoveReports.h"
#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "engine/StackWindowPort.h"
#include "engine/Stacker.h"
#include "platform/Alerts.h"
#include "platform/FileSystem.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "store/FirstRunChoice.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Space around the slots: from the screen's right edge (besides 3 % of its width) and top,
// and between windows.
constexpr qreal rightMargin = 20;
constexpr qreal topMargin = 10;
constexpr qreal columnWidth = 150;
constexpr qreal rowHeight = 160;

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

} // namespace

// What the worker thread hands back: the items, and which of them are hidden.
struct AutoStacker::Scan
{
    BridgeResult<QList<DesktopFile>> items;
    QSet<QString> hidden;
};

AutoStacker::AutoStacker(const FileSystem& fs, DesktopBridge& desktop, Alerts& alerts,
                         Scheduler& scheduler, const Screens& screens, FirstRunChoice& firstRun,
                         const StackFiles& files, const StackRecords& records, MoveReports& reports,
                         BackgroundQueries& queries, Stacker& stacker, FileAdder& adder,
                         QObject& context)
    : m_fs(fs)
    , m_desktop(desktop)
    , m_alerts(alerts)
    , m_scheduler(scheduler)
    , m_screens(screens)
    , m_firstRun(firstRun)
    , m_files(files)
    , m_records(records)
    , m_reports(reports)
    , m_queries(queries)
    , m_stacker(stacker)
    , m_adder(adder)
    , m_context(context)
{}

// Every file of every stack, spread or not, with links resolved.
QSet<QString> AutoStacker::stackedFiles() const
{
    QSet<QString> files;
    for (const DesktopStack& stack : m_records.all()) {
        for (const QString& path : m_files.resolvedFiles(stack))
            files.insert(m_fs.resolved(path));
    }
    return files;
}

std::optional<QUuid> AutoStacker::stackNamed(const QString& name) const
{
    for (const DesktopStack& stack : m_records.all()) {
        if (stack.name == name)
            return stack.id;
    }
    return std::nullopt;
}

// Stacks group `index`, then yields before the next; new stacks take the slots from `slot`.
void AutoStacker::stackGroups(QList<Group> groups, qsizetype index, int slot, WorkToken token)
{
    const Group& group = groups.at(index);
    const QString name = FileKinds::pluralLabel(group.kind);
    if (const std::optional<QUuid> existing = stackNamed(name)) {
        QStringList paths;
        for (const DesktopFile& file : group.files)
            paths.append(file.path);
        m_adder.addFiles(paths, *existing);
    } else {
        const QRectF area = m_screens.firstVisibleFrame();
        m_stacker.stackFiles(group.files, name, windowSlot(area, slot++));
    }
    if (index + 1 >= groups.size())
        return m_reports.release();
    m_scheduler.soon(&m_context,
                     [this, groups = std::move(groups), index, slot, token = std::move(token)] {
                         stackGroups(groups, index + 1, slot, token);
                     });
}

void AutoStacker::stackScanned(const Scan& scan, WorkToken token)
{
    if (!scan.items)
        return m_alerts.showError(scan.items.error().description());
    QList<Group> groups = groupsByKind(scan.items.value(), scan.hidden);
    if (groups.isEmpty())
        return m_alerts.beep();
    // Cancelled: the files stay, and the alert is not shown again for every group.
    if (!m_firstRun.showFirstRunAlert(true))
        return;
    // Files that could not move, of every group, are told in one alert after the last.
    m_reports.hold();
    stackGroups(std::move(groups), 0, 0, std::move(token));
}

void AutoStacker::autoStackByType(const WorkToken& token)
{
    DesktopBridge& desktop = m_desktop;
    m_queries.query<Scan>(
        [&desktop] {
            Scan scan{desktop.desktopItems(), {}};
            // Reading the hidden flags touches the disk for every item: also off the GUI thread.
            if (scan.items) {
                HiddenLists lists;
                for (const DesktopFile& item : scan.items.value()) {
                    if (desktop.isHiddenFile(item.path, lists))
                        scan.hidden.insert(item.path);
                }
            }
            return scan;
        },
        [this, token](const Scan& scan) { stackScanned(scan, token); }, token);
}

QList<AutoStacker::Group> AutoStacker::groupsByKind(const QList<DesktopFile>& items,
                                                    const QSet<QString>& hidden) const
{
    const QSet<QString> stacked = stackedFiles();
    std::map<FileKind, QList<DesktopFile>> byKind;
    for (const DesktopFile& item : items) {
        if (FileKinds::isApplication(item.path) || FileKinds::isPlainFolder(item.path, m_fs) ||
            hidden.contains(item.path) || stacked.contains(m_fs.resolved(item.path)))
            continue;
        byKind[FileKinds::classify(item.path, m_fs)].append(item);
    }
    QList<Group> groups;
    for (const FileKind kind : FileKinds::all) {
        const auto found = byKind.find(kind);
        if (kind == FileKind::other || found == byKind.end() || found->second.size() < 2)
            continue;
        QList<DesktopFile> files = std::move(found->second);
        std::sort(files.begin(), files.end(), [](const DesktopFile& a, const DesktopFile& b) {
            return fileName(a.path) < fileName(b.path);
        });
        groups.append(Group{kind, std::move(files)});
    }
    return groups;
}

int AutoStacker::rowsPerColumn(const QRectF& area)
{
    return std::max(1, int(std::trunc((area.height() - 20) / rowHeight)));
}

QPointF AutoStacker::windowSlot(const QRectF& area, int slot)
{
    const int rows = rowsPerColumn(area);
    const int column = slot / rows;
    const int row = slot % rows;
    return QPointF(maxX(area) - StackWindowPort::width - rightMargin - 0.03 * area.width() -
                       columnWidth * column,
                   maxY(area) - StackWindowPort::height - topMargin - rowHeight * row);
}
