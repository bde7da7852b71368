#pragma once

#include <QUuid>

class Alerts;
class StackRecords;
class StackWindows;

// Asks for a stack's new name. Spaces and tabs around it are dropped (line breaks are kept);
// an empty answer keeps the old name. Only the shown name changes, never the folder's.
class StackRenamer
{
public:
    StackRenamer(StackRecords& records, StackWindows& windows, Alerts& alerts);

    void renameStack(const QUuid& id);

private:
    StackRecords& m_records;
    StackWindows& m_windows;
    Alerts& m_alerts;
};
