#pragma once

class AutoStacker;
class BinMover;
class ConversionUndo;
class Dissolver;
class FileAdder;
class FileSystem;
class FolderConversion;
class FolderSync;
class MoveReports;
class SelectionFlag;
class Spreader;
class StackFiles;
class StackRecords;
class StackRemoval;
class StackRenamer;
class StackSelection;
class StackWindows;
class Stacker;
class StorageChange;
class StorageFolders;
class UndoState;
class Uninstaller;

// What the manager made: the owners of the stacks' state and the operations on them. A click
// in a stack window or a menu reaches the operation that does the work through this, and so do
// tests; everything else goes through the manager's own operations.
struct StackOperations
{
    // Owners of state.
    StackRecords& records;
    StackWindows& windows;
    StackSelection& selection;
    UndoState& undoState;
    // What operations are built with.
    const StackFiles& files;
    StorageFolders& folders;
    FileSystem& fileSystem;
    MoveReports& reports;
    // The operations.
    Stacker& stacker;
    Spreader& spreader;
    FileAdder& fileAdder;
    AutoStacker& autoStacker;
    FolderSync& folderSync;
    StackRemoval& removal;
    Dissolver& dissolver;
    FolderConversion& conversion;
    ConversionUndo& conversionUndo;
    BinMover& binMover;
    StackRenamer& renamer;
    StorageChange& storageChange;
    SelectionFlag& selectionFlag;
    Uninstaller& uninstaller;
};
