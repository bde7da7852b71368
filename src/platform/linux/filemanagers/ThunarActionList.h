#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Thunar's list of custom actions (~/.config/Thunar/uca.xml), which xfdesktop reads too. The
// list is the user's own: Tidora's action is spliced in or cut out by its unique id, and every
// other byte of the file stays as it was.
namespace ThunarActionList {

// The list with Tidora's action for this program in it (an older one of Tidora's replaced).
// `existing` empty: a new list. Nothing when `existing` is not a list of custom actions that
// can be read (not UTF-8, not XML, another root element): such a file is left alone.
std::optional<QByteArray> withAction(const QByteArray& existing, const QString& program);
// The list without Tidora's action; nothing when it can't be read (as above).
std::optional<QByteArray> withoutAction(const QByteArray& existing);
// Whether the list holds Tidora's action.
bool hasAction(const QByteArray& existing);

} // namespace ThunarActionList
