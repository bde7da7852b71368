#pragma once

#include <QtGlobal>

class FileSystem;
class QObject;
class Spreader;
class StackFiles;
class StackRecords;
class StackRemoval;
class StorageFolders;

// Uninstalling's first half: every file the program holds goes back to the Desktop.
class AllFilesBack
{
public:
    // `context`: giving back stops when it goes (an alert runs the event loop).
    AllFilesBack(FileSystem& fs, StorageFolders& folders, const StackFiles& files,
                 const StackRecords& records, StackRemoval& removal, Spreader& spreader,
                 QObject& context);

    // What giving back would move: every stacked file and everything in the two storage folders
    // and their stack folders (but their README and ".DS_Store"), each real path counted once,
    // and each entry whose name is not valid UTF-8 once.
    qsizetype itemsToGiveBack() const;

    // Spreads and removes every stack, then empties both storage folders onto the Desktop entry
    // by entry: stack folders (named by a stack, by a stack id, or "Recovered files…") are
    // emptied and removed, any other folder and every file is moved whole, each to a free name.
    // What cannot move stays where it is, logged; the storage folders go when nothing is left in
    // them.
    void giveBack();

private:
    FileSystem& m_fs;
    StorageFolders& m_folders;
    const StackFiles& m_files;
    const StackRecords& m_records;
    StackRemoval& m_removal;
    Spreader& m_spreader;
    QObject& m_context;
};
