#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct Wording;

// The shortcut help: each row's keys (shown as key caps), the gesture after them, and what the
// shortcut does.
namespace Keycap {

struct Shortcut
{
    QStringList keys;
    std::optional<QString> gesture;
    QString action;
};

// Stacking the selection, Shift-dragging, and the click that shows thumbnails, with the key
// names of the platform; Shift-dragging says so where it is off.
QList<Shortcut> table(const Wording& wording);

} // namespace Keycap
