#include "operations/UndoState.h"

#include "operations/MenuBarIcon.h"

#include <algorithm>

namespace {

// Stores the value and signals, only when it differs.
template<typename Signal>
void assign(UndoState* state, bool& field, bool value, Signal changed)
{
    if (field == value)
        return;
    field = value;
    Q_EMIT(state->*changed)(value);
}

} // namespace

UndoState::UndoState(Scheduler& scheduler, QObject* parent)
    : QObject(parent)
    , m_menuBarIcon(new MenuBarIcon(scheduler, this))
{}

UndoState::~UndoState() = default;

void UndoState::setAvailable(bool value)
{
    assign(this, m_available, value, &UndoState::availableChanged);
}

void UndoState::setLastConversion(QList<Conversion> conversions)
{
    m_lastConversion = std::move(conversions);
    setAvailable(!m_lastConversion.isEmpty());
}

void UndoState::setIsWorking(bool value)
{
    assign(this, m_isWorking, value, &UndoState::isWorkingChanged);
    m_menuBarIcon->setWorking(value);
}

void UndoState::setHasStacks(bool value)
{
    assign(this, m_hasStacks, value, &UndoState::hasStacksChanged);
}

void UndoState::setHasSpread(bool value)
{
    assign(this, m_hasSpread, value, &UndoState::hasSpreadChanged);
}

void UndoState::setHasStacked(bool value)
{
    assign(this, m_hasStacked, value, &UndoState::hasStackedChanged);
}

void UndoState::setHasSelection(bool value)
{
    assign(this, m_hasSelection, value, &UndoState::hasSelectionChanged);
}

void UndoState::recomputeStackFlags(const QList<DesktopStack>& stacks)
{
    const auto any = [&stacks](StackState state) {
        return std::any_of(stacks.cbegin(), stacks.cend(),
                           [state](const DesktopStack& stack) { return stack.state == state; });
    };
    setHasStacks(!stacks.isEmpty());
    setHasSpread(any(StackState::expanded));
    setHasStacked(any(StackState::collapsed));
}
