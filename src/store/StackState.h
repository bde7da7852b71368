#pragma once

#include <QString>

#include <optional>

// Whether a stack's files are gathered in its folder or spread on the Desktop.
enum class StackState {
    // The files are inside the stack folder.
    collapsed,
    // The stack is spread: its files lie on the Desktop.
    expanded,
};

// "collapsed" / "expanded", as the stacks file writes them.
QString rawValue(StackState state);
// Nothing for any other text.
std::optional<StackState> stackStateFromRawValue(const QString& text);
