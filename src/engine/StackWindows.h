#pragma once

#include <QList>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QUuid>

#include <functional>

#include <map>
#include <memory>
#include <vector>

class Scheduler;
class StackFiles;
class StackWindowFactory;
class StackWindowHost;
class StackWindowPort;
struct DesktopStack;

// The window table: one window per stack, made on first use and closed when the stack goes.
// Everything runs on the GUI thread.
class StackWindows
{
public:
    // What every new window answers the user with.
    using HostMaker = std::function<std::unique_ptr<StackWindowHost>()>;

    StackWindows(StackWindowFactory& factory, HostMaker makeHost, const StackFiles& files,
                 Scheduler& scheduler);
    ~StackWindows();
    StackWindows(const StackWindows&) = delete;
    StackWindows& operator=(const StackWindows&) = delete;

    StackWindowPort* window(const QUuid& id) const;
    QList<QUuid> windowIDs() const;
    // The record's window (made on first use), fed with the record and its files, moved to the
    // record's origin when it stands elsewhere, and ordered to the front.
    StackWindowPort& showWindow(const DesktopStack& stack);
    // The same with the files already known (as StackFiles::resolvedFiles gives them), by an
    // operation that has just resolved or moved them.
    StackWindowPort& showWindow(const DesktopStack& stack, const QStringList& files);
    // Takes the window out of the table and closes it; false when there was none. The window
    // itself is destroyed once the current event is over, so a window may close itself.
    bool closeWindow(const QUuid& id);
    // Shows every window as selected or not.
    void publishSelection(const QSet<QUuid>& selection);
    // Closes every window at once (the owner is going).
    void clear();

private:
    StackWindowFactory& m_factory;
    HostMaker m_makeHost;
    const StackFiles& m_files;
    Scheduler& m_scheduler;
    std::map<QUuid, std::unique_ptr<StackWindowPort>> m_windows;
    // Closed windows waiting to be destroyed, and what they wait in.
    std::vector<std::unique_ptr<StackWindowPort>> m_closedWindows;
    std::unique_ptr<QObject> m_cleanup;
};
