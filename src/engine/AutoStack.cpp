#include "engine/AutoStack.h"

#include "engine/DesktopBridge.h"
#include "engine/StackManager.h"
#include "engine/StackWindowPort.h"
#include "platform/Alerts.h"
#include "platform/FileSystem.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <map>

namespace AutoStack {

namespace {

// Space around the slots: from the screen's right edge (besides 3 % of its width) and top,
// and between windows.
constexpr qreal rightMargin = 20;
constexpr qreal topMargin = 10;
constexpr qreal columnWidth = 150;
constexpr qreal rowHeight = 160;

// What the worker thread hands back: the items, and which of them are hidden.
struct Scan
{
    BridgeResult<QList<DesktopFile>> items;
    QSet<QString> hidden;
};

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

// Every file of every stack, spread or not, with links resolved.
QSet<QString> stackedFiles(const StackManager& manager)
{
    QSet<QString> files;
    for (const DesktopStack& stack : manager.stacks()) {
        for (const QString& path : manager.files().resolvedFiles(stack))
            files.insert(manager.fm().resolved(path));
    }
    return files;
}

std::optional<QUuid> stackNamed(const StackManager& manager, const QString& name)
{
    for (const DesktopStack& stack : manager.stacks()) {
        if (stack.name == name)
            return stack.id;
    }
    return std::nullopt;
}

// Stacks group `index`, then yields before the next; new stacks take the slots from `slot`.
void stackGroups(StackManager& manager, QList<Group> groups, qsizetype index, int slot,
                 WorkToken token)
{
    const Group& group = groups.at(index);
    const QString name = FileKinds::pluralLabel(group.kind);
    if (const std::optional<QUuid> existing = stackNamed(manager, name)) {
        QStringList paths;
        for (const DesktopFile& file : group.files)
            paths.append(file.path);
        manager.addFiles(paths, *existing);
    } else {
        const QRectF area = manager.services().screens.firstVisibleFrame();
        manager.stackFiles(group.files, name, windowSlot(area, slot++));
    }
    if (index + 1 >= groups.size())
        return manager.reports().release();
    manager.services().scheduler.soon(
        &manager, [&manager, groups = std::move(groups), index, slot, token = std::move(token)] {
            stackGroups(manager, groups, index + 1, slot, token);
        });
}

void stackScanned(StackManager& manager, const Scan& scan, WorkToken token)
{
    Alerts& alerts = manager.services().alerts;
    if (!scan.items)
        return alerts.showError(scan.items.error().description());
    QList<Group> groups = groupsByKind(manager, scan.items.value(), scan.hidden);
    if (groups.isEmpty())
        return alerts.beep();
    // Cancelled: the files stay, and the alert is not shown again for every group.
    if (!manager.showFirstRunAlert(true))
        return;
    // Files that could not move, of every group, are told in one alert after the last.
    manager.reports().hold();
    stackGroups(manager, std::move(groups), 0, 0, std::move(token));
}

} // namespace

void autoStackByType(StackManager& manager, WorkToken token)
{
    DesktopBridge& desktop = manager.services().desktop;
    manager.queries().query<Scan>(
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
        [&manager, token](const Scan& scan) { stackScanned(manager, scan, token); }, token);
}

QList<Group> groupsByKind(const StackManager& manager, const QList<DesktopFile>& items,
                          const QSet<QString>& hidden)
{
    const FileSystem& fs = manager.fm();
    const QSet<QString> stacked = stackedFiles(manager);
    std::map<FileKind, QList<DesktopFile>> byKind;
    for (const DesktopFile& item : items) {
        if (FileKinds::isApplication(item.path) || FileKinds::isPlainFolder(item.path, fs) ||
            hidden.contains(item.path) || stacked.contains(fs.resolved(item.path)))
            continue;
        byKind[FileKinds::classify(item.path, fs)].append(item);
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

int rowsPerColumn(const QRectF& area)
{
    return std::max(1, int(std::trunc((area.height() - 20) / rowHeight)));
}

QPointF windowSlot(const QRectF& area, int slot)
{
    const int rows = rowsPerColumn(area);
    const int column = slot / rows;
    const int row = slot % rows;
    return QPointF(maxX(area) - StackWindowPort::width - rightMargin - 0.03 * area.width() -
                       columnWidth * column,
                   maxY(area) - StackWindowPort::height - topMargin - rowHeight * row);
}

} // namespace AutoStack
