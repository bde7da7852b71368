#include "operations/SelectionFlag.h"

#include "engine/BackgroundQueries.h"
#include "engine/DesktopBridge.h"
#include "operations/UndoState.h"

SelectionFlag::SelectionFlag(BackgroundQueries& queries, DesktopBridge& desktop, UndoState& state)
    : m_queries(queries)
    , m_desktop(desktop)
    , m_state(state)
{}

void SelectionFlag::refresh()
{
    m_state.setHasSelection(false);
    DesktopBridge& desktop = m_desktop;
    m_queries.query<bool>(
        [&desktop] {
            const BridgeResult<QList<DesktopFile>> selection = desktop.selectedFiles();
            return !selection || !selection.value().isEmpty();
        },
        [this](const bool& selected) { m_state.setHasSelection(selected); });
}
