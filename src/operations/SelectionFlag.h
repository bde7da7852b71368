#pragma once

class BackgroundQueries;
class DesktopBridge;
class UndoState;

// At every menu opening: "Stack Selected Files" is disabled until the Desktop says files are
// selected. A Desktop that cannot be asked counts as having a selection, so that choosing the
// item reports why.
class SelectionFlag
{
public:
    SelectionFlag(BackgroundQueries& queries, DesktopBridge& desktop, UndoState& state);

    void refresh();

private:
    BackgroundQueries& m_queries;
    DesktopBridge& m_desktop;
    UndoState& m_state;
};
