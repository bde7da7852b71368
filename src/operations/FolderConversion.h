#pragma once

#include "engine/NamedPosition.h"
#include "operations/Conversion.h"

#include <QList>
#include <QUuid>

#include <optional>

class Alerts;
class Bookmarks;
class DesktopBridge;
class FileSystem;
class QObject;
class Scheduler;
class Screens;
class StackFiles;
class StackRecords;
class StackRemoval;
class StackWindows;
class UndoState;
struct DesktopStack;
struct Wording;

// Converting stacks into ordinary folders on the Desktop, named "TR_" and the stack's name,
// where the stack's window stood. The last batch can be undone (ConversionUndo).
class FolderConversion
{
public:
    FolderConversion(StackRecords& records, StackWindows& windows, const StackFiles& files,
                     StackRemoval& removal, FileSystem& fileSystem, Bookmarks& bookmarks,
                     DesktopBridge& desktop, Alerts& alerts, Scheduler& scheduler,
                     const Screens& screens, const Wording& wording, UndoState& state,
                     QObject& context);

    // "Convert All Stacks into Folders…": asks, then converts every stack as work. Beeps
    // instead while other work runs or when there is no stack.
    void convertAll();
    // Converts the stacks in order, without asking. Files that cannot move stay in their
    // stacks and are named in one alert after the batch; a folder that cannot be made leaves
    // its stack as it was, and the first such failure is shown after the batch.
    void convertStacks(const QList<QUuid>& ids);

    // Tells the desktop program, after 0.5 s, where these Desktop icons go; a refusal is shown.
    void placeIconsSoon(const QList<NamedPosition>& placements);

private:
    // What converting one stack left to report.
    struct Outcome
    {
        QStringList failedNames;
        // Why the stack's folder could not be made.
        std::optional<QString> error;
    };

    QString folderFor(const DesktopStack& stack) const;
    Outcome convertOneStack(const QUuid& id, QList<Conversion>& conversions);
    void finish(const QList<Conversion>& conversions, const QStringList& failedNames);

    StackRecords& m_records;
    StackWindows& m_windows;
    const StackFiles& m_files;
    StackRemoval& m_removal;
    FileSystem& m_fileSystem;
    Bookmarks& m_bookmarks;
    DesktopBridge& m_desktop;
    Alerts& m_alerts;
    Scheduler& m_scheduler;
    const Screens& m_screens;
    const Wording& m_wording;
    UndoState& m_state;
    QObject& m_context;
};
