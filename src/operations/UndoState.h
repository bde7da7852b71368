#pragma once

#include "operations/Conversion.h"
#include "store/DesktopStack.h"

#include <QList>
#include <QObject>

class MenuBarIcon;
class Scheduler;

// What the tray menu shows and enables, observed by the menu. Every flag signals only when its
// value really changes; setting isWorking always reaches the icon, changed or not, so the
// animation starts over with every new piece of work.
class UndoState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool available READ available WRITE setAvailable NOTIFY availableChanged)
    Q_PROPERTY(bool isWorking READ isWorking WRITE setIsWorking NOTIFY isWorkingChanged)
    Q_PROPERTY(MenuBarIcon* menuBarIcon READ menuBarIcon CONSTANT)
    Q_PROPERTY(bool hasStacks READ hasStacks WRITE setHasStacks NOTIFY hasStacksChanged)
    Q_PROPERTY(bool hasSpread READ hasSpread WRITE setHasSpread NOTIFY hasSpreadChanged)
    Q_PROPERTY(bool hasStacked READ hasStacked WRITE setHasStacked NOTIFY hasStackedChanged)
    Q_PROPERTY(bool hasSelection READ hasSelection WRITE setHasSelection NOTIFY hasSelectionChanged)

public:
    explicit UndoState(Scheduler& scheduler, QObject* parent = nullptr);
    ~UndoState() override;

    // There is a conversion to undo.
    bool available() const { return m_available; }
    // A long operation runs: new work is refused and the icon spins.
    bool isWorking() const { return m_isWorking; }
    MenuBarIcon* menuBarIcon() const { return m_menuBarIcon; }
    bool hasStacks() const { return m_hasStacks; }
    // Some stack is spread on the Desktop.
    bool hasSpread() const { return m_hasSpread; }
    // Some stack is gathered in its folder.
    bool hasStacked() const { return m_hasStacked; }
    // The Desktop reports selected files (or could not be asked).
    bool hasSelection() const { return m_hasSelection; }

    void setAvailable(bool value);
    // The undo record of the last conversion into folders; "Undo" is available while it is not
    // empty.
    const QList<Conversion>& lastConversion() const { return m_lastConversion; }
    void setLastConversion(QList<Conversion> conversions);
    void setIsWorking(bool value);
    void setHasStacks(bool value);
    void setHasSpread(bool value);
    void setHasStacked(bool value);
    void setHasSelection(bool value);

    // hasStacks, hasSpread and hasStacked from the stack list.
    void recomputeStackFlags(const QList<DesktopStack>& stacks);

Q_SIGNALS:
    void availableChanged(bool available);
    void isWorkingChanged(bool isWorking);
    void hasStacksChanged(bool hasStacks);
    void hasSpreadChanged(bool hasSpread);
    void hasStackedChanged(bool hasStacked);
    void hasSelectionChanged(bool hasSelection);

private:
    MenuBarIcon* m_menuBarIcon;
    QList<Conversion> m_lastConversion;
    bool m_available = false;
    bool m_isWorking = false;
    bool m_hasStacks = false;
    bool m_hasSpread = false;
    bool m_hasStacked = false;
    bool m_hasSelection = false;
};
