#pragma once

#include "store/DesktopStack.h"
#include "store/StackListFile.h"

#include <QList>
#include <QPointer>
#include <QUuid>

#include <optional>

class Alerts;
class Paths;
class Scheduler;
class UndoState;

// The stack records, in the order of the stacks file and of every operation on all stacks. The
// one place that changes the list, saves it and keeps the menu's stack flags in line with it.
// Everything runs on the GUI thread.
class StackRecords
{
public:
    StackRecords(StackListFile& file, UndoState& undoState, const Paths& paths, Alerts& alerts,
                 Scheduler& scheduler, QObject& context);

    const QList<DesktopStack>& all() const { return m_stacks; }
    StackListFile& file() const { return m_file; }

    // The record with this id, to change in place; the caller saves. Null when there is none.
    DesktopStack* find(const QUuid& id);
    std::optional<DesktopStack> withID(const QUuid& id) const;
    // The ids of every record, in list order: what an operation over all stacks walks, looking
    // each up again as the list changes under it.
    QList<QUuid> ids() const;
    // Takes the first record with this id out of the list (nothing else).
    std::optional<DesktopStack> take(const QUuid& id);
    // Replaces the whole list (launch). Neither saves nor recomputes the flags.
    void replaceAll(QList<DesktopStack> stacks);

    // Replaces the record with the same id, or appends it; recomputes the flags and saves. A
    // record stored as it is, with nothing changed since the last save, is not saved again. A
    // record stored right after its intent was recorded is saved without waiting for the disk:
    // should a power loss take that save, the next launch finishes the moves from the intent.
    void store(const DesktopStack& stack);
    // Puts the record into the list as it is about to be and saves, before its files move (no
    // flags): a stop part-way through the moves leaves a list that says where the files were
    // going, and the next launch finishes the moves.
    void recordIntent(const DesktopStack& stack);
    // Writes the whole list to the stacks file. A failed save is told to the user once (after
    // the current operation), until a save succeeds again.
    void save();
    // hasStacks, hasSpread and hasStacked from the list.
    void refreshFlags();

private:
    void put(const DesktopStack& stack);
    void save(StackListFile::Durability durability);

    StackListFile& m_file;
    UndoState& m_undoState;
    const Paths& m_paths;
    Alerts& m_alerts;
    Scheduler& m_scheduler;
    QPointer<QObject> m_context;
    QList<DesktopStack> m_stacks;
    // A failed save was told and no save has succeeded since.
    bool m_toldUnsaved = false;
    // The list as the last save wrote it; nothing when that save failed.
    std::optional<QList<DesktopStack>> m_saved;
    // The record whose intent the last save recorded, when it succeeded.
    std::optional<QUuid> m_intent;
};
