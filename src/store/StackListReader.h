#pragma once

#include "store/DesktopStack.h"

#include <QByteArrayView>
#include <QList>

#include <optional>

// A fast reader for the stacks file in the shape StackListCodec writes it: an array of stack
// objects with their keys in sorted order (folderName first when present, then id, items, name,
// state, windowOrigin; an item's bookmark, id, name, position), JSON whitespace anywhere between
// tokens. A launch reads the file through it in a fraction of what QJsonDocument takes.
namespace StackListReader {

// The records, exactly as StackListCodec::decodeWithJsonDocument gives them; nothing whenever
// the text is anything else, including any text that does not decode at all: a different key
// order, unknown or repeated keys, numbers outside the plain JSON forms, escapes other than
// JSON's own, text that is not UTF-8, or a value the records cannot hold. The caller then asks
// the general reader, which decides.
std::optional<QList<DesktopStack>> read(QByteArrayView json);

} // namespace StackListReader
