#pragma once

#include <QUuid>

class Alerts;
class StackRecords;
class StackSelection;
class StackWindows;
class StorageFolders;

// Forgets a stack: its record (saved at once), its window and its place in the selection. Its
// folder goes when nothing but ".DS_Store" is left in it, and the storage folders with it when
// they are left empty; otherwise the folder stays, and with `reportLeftovers` the user is told
// where the remaining files are.
class StackRemoval
{
public:
    StackRemoval(StackRecords& records, StackWindows& windows, StackSelection& selection,
                 StorageFolders& folders, Alerts& alerts);

    void removeStack(const QUuid& id, bool reportLeftovers);

private:
    StackRecords& m_records;
    StackWindows& m_windows;
    StackSelection& m_selection;
    StorageFolders& m_folders;
    Alerts& m_alerts;
};
