#pragma once

#include "engine/DesktopFile.h"
#include "engine/FileKind.h"
#include "operations/WorkTicket.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QString>

class Alerts;
class BackgroundQueries;
class DesktopBridge;
class FileAdder;
class FileSystem;
class FirstRunChoice;
class MoveReports;
class QObject;
class Scheduler;
class Screens;
class StackFiles;
class StackRecords;
class Stacker;

// "Auto-Stack by Type": the loose files on the Desktop gathered into one stack per kind.
class AutoStacker
{
public:
    // The files of one kind that go into one stack, sorted by name.
    struct Group
    {
        FileKind kind;
        QList<DesktopFile> files;
    };

    // `context`: the groups still to stack are dropped when it goes.
    AutoStacker(const FileSystem& fs, DesktopBridge& desktop, Alerts& alerts, Scheduler& scheduler,
                const Screens& screens, FirstRunChoice& firstRun, const StackFiles& files,
                const StackRecords& records, MoveReports& reports, BackgroundQueries& queries,
                Stacker& stacker, FileAdder& adder, QObject& context);

    // Reads every Desktop item on a worker thread, then, back on the GUI thread, stacks each
    // kind that has at least two eligible files: into the stack already named after the kind,
    // or into a new one in the next free slot from the top right of the screen. One group per
    // turn of the event loop, so the windows appear one after another. The token is held until
    // the last group.
    void autoStackByType(const WorkToken& token);

    // The groups to stack, in the order of the kinds: files of any stack, applications and
    // launchers, plain folders and hidden items (`hidden`, by path) stay where they are, and so
    // do kinds with a single file and files of no particular kind.
    QList<Group> groupsByKind(const QList<DesktopFile>& items, const QSet<QString>& hidden) const;

    // How many stack windows one column of the area holds (at least one).
    static int rowsPerColumn(const QRectF& area);
    // The origin of window slot k: columns filled downward from the top right of the area, then
    // the next column to the left.
    static QPointF windowSlot(const QRectF& area, int slot);

private:
    struct Scan;

    QSet<QString> stackedFiles() const;
    std::optional<QUuid> stackNamed(const QString& name) const;
    void stackGroups(QList<Group> groups, qsizetype index, int slot, WorkToken token);
    void stackScanned(const Scan& scan, WorkToken token);

    const FileSystem& m_fs;
    DesktopBridge& m_desktop;
    Alerts& m_alerts;
    Scheduler& m_scheduler;
    const Screens& m_screens;
    FirstRunChoice& m_firstRun;
    const StackFiles& m_files;
    const StackRecords& m_records;
    MoveReports& m_reports;
    BackgroundQueries& m_queries;
    Stacker& m_stacker;
    FileAdder& m_adder;
    QObject& m_context;
};
