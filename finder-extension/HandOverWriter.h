#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The selection handed to Tidora: $XDG_RUNTIME_DIR/tidora/selection, text, written whole.
//
//     tidora-selection 1
//     <time written, Unix milliseconds>
//     <path>
//     …
//
// one absolute path a line, every byte but letters, digits and "-._~/" written as %XX, so line
// breaks, "%" and names that are not UTF-8 survive. Tidora reads it while it is a few seconds
// old; this program writes it and links nothing of Tidora, hence its own few lines.
namespace HandOverWriter {

QByteArray text(const QList<QByteArray>& paths, qint64 writtenMs);

// Writes the file: the folder "tidora" in `runtimeFolder` is made for the user alone, and a
// new file is renamed over the old one. False when the folder is not the user's own plain
// folder or the file can't be written.
[[nodiscard]] bool write(const QString& runtimeFolder, const QList<QByteArray>& paths,
                         qint64 writtenMs);

} // namespace HandOverWriter
