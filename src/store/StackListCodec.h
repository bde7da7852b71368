#pragma once

#include "store/DesktopStack.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The JSON form of the stack records in the stacks file: a compact array with one object per
// stack. Kept apart from the file itself so that records can be encoded one at a time and the
// encoded bytes reused while a record does not change.
namespace StackListCodec {

// One stack object, compact. Nothing (with the reason in `error`) when a coordinate is not a
// finite number, which JSON cannot hold.
std::optional<QByteArray> encodeStack(const DesktopStack& stack, QString* error);

// The whole list, read through RapidJSON; nothing when any part of it does not decode: not JSON
// (or not UTF-8), not an array, a required key missing or of the wrong type, a bad UUID text,
// bad Base64, an unknown state, a coordinate that is not a finite number, or a file or folder
// name that is not a single plain name (empty, ".", "..", or holding "/" or NUL), which could
// point a later move anywhere. Key order, unknown keys and whitespace do not matter.
std::optional<QList<DesktopStack>> decodeStackList(const QByteArray& json);
// The same, parsing in the bytes given when nothing else shares them.
std::optional<QList<DesktopStack>> decodeStackList(QByteArray&& json);

// A name that stays one entry inside the folder it is joined to: not empty, not "." or "..",
// no "/" and no NUL.
bool isPlainName(const QString& name);

// The canonical upper-case text form, 8-4-4-4-12 hexadecimal digits.
QString uuidText(const QUuid& id);

// The checks of single values.
// An id in the 36-character text form (either case); nothing for braces or anything else.
std::optional<QUuid> uuidFromText(QAnyStringView text);
// A bookmark from its Base64 text (Latin-1): standard alphabet with padding, nothing on any
// other character or a length that is not a multiple of four.
std::optional<QByteArray> bookmarkFromBase64(const QByteArray& latin1);
// Both coordinates finite (JSON has no infinities and no NaN).
bool isFinite(const QPointF& point);

} // namespace StackListCodec
