#pragma once

#include "engine/MoveFailures.h"
#include "engine/NamedPosition.h"
#include "store/StackState.h"

#include <QList>
#include <QPointF>
#include <QUuid>

#include <optional>

class Alerts;
class Bookmarks;
class DesktopBridge;
class FileSystem;
class MoveReports;
class QObject;
class Scheduler;
class Screens;
class StackFiles;
class StackRecords;
class StackRemoval;
class StackWindows;
class Stacker;
class StorageFolders;
struct DesktopStack;

// Spreading a stack's files onto the Desktop and gathering them again.
class Spreader
{
public:
    // What moving a stack's files onto the Desktop did.
    struct SpreadOutcome
    {
        // Every file of the stack on the Desktop now, with where its icon goes.
        QList<NamedPosition> placements;
        // Of those, the files that moved there now.
        QList<NamedPosition> arrived;
        // Files that had to move, and how many did.
        qsizetype asked = 0;
        qsizetype moved = 0;
        MoveFailures failures;
    };

    // `context`: the scheduled placements are dropped when it goes.
    Spreader(FileSystem& fs, Bookmarks& bookmarks, DesktopBridge& desktop, Alerts& alerts,
             Scheduler& scheduler, const Screens& screens, StorageFolders& folders,
             const StackFiles& files, StackRecords& records, StackWindows& windows,
             MoveReports& reports, StackRemoval& removal, Stacker& stacker, QObject& context);

    // Moves the record's files that are not on the Desktop there, each under its item's name or
    // the first free one; files already there stay as they are. `paths` (one per item, as
    // resolved and renewed) and the items follow the files. The state is left to the caller.
    SpreadOutcome moveToDesktop(DesktopStack& stack, QList<std::optional<QString>>& paths,
                                bool inGrid);

    // Moves a gathered stack's files back onto the Desktop, each icon to its recorded place or,
    // in a grid, next to the window. The desktop program is told the places before the files
    // arrive, and again twice once they are there.
    // False when some file could not move (the user has been told).
    bool spread(const QUuid& id, bool inGrid);
    // Tells the desktop program where the icons go after 0.2 s and again after another 0.7 s,
    // then records where they really are.
    void placeIcons(const QList<NamedPosition>& placements, const QUuid& id);
    // Records where a spread stack's icons are now.
    void refreshPositions(const QUuid& id);
    // Gathers a spread stack again. Files dragged more than 80 points away leave the stack when
    // `letMovedLeave` is true; nearer ones only have their new places recorded.
    void restack(const QUuid& id, bool letMovedLeave);
    // Lays a spread stack's icons out in a grid next to its window.
    void arrangeInGrid(const QUuid& id);
    // One Desktop position per icon for a grid next to the stack's window, clear of the other
    // icons and stack windows.
    QList<QPointF> gridPositions(int count, const DesktopStack& stack);

private:
    // An item whose file lies directly on the Desktop, with its name there.
    struct OnDesktop
    {
        qsizetype item;
        QString name;
    };

    std::optional<DesktopStack> stackIn(const QUuid& id, StackState state) const;
    QList<OnDesktop> itemsOnDesktop(const QList<std::optional<QString>>& paths) const;
    static QStringList namesOf(const QList<OnDesktop>& files);
    PositionMap currentPositions(const QList<OnDesktop>& files);
    bool sendPositions(const QList<NamedPosition>& placements);
    void store(const DesktopStack& stack, const QStringList& files);

    FileSystem& m_fs;
    Bookmarks& m_bookmarks;
    DesktopBridge& m_desktop;
    Alerts& m_alerts;
    Scheduler& m_scheduler;
    const Screens& m_screens;
    StorageFolders& m_folders;
    const StackFiles& m_files;
    StackRecords& m_records;
    StackWindows& m_windows;
    MoveReports& m_reports;
    StackRemoval& m_removal;
    Stacker& m_stacker;
    QObject& m_context;
};
