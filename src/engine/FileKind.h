#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <array>

class FileSystem;

// The kinds files are sorted into; a new stack is named after the kind of its files and
// auto-stacking makes one stack per kind. The order is the order of `FileKinds::all`.
enum class FileKind {
    folders,
    screenshots,
    images,
    pdfs,
    documents,
    videos,
    audio,
    archives,
    installers,
    other,
};

namespace FileKinds {

inline constexpr std::array<FileKind, 10> all = {
    FileKind::folders,    FileKind::screenshots, FileKind::images, FileKind::pdfs,
    FileKind::documents,  FileKind::videos,      FileKind::audio,  FileKind::archives,
    FileKind::installers, FileKind::other,
};

QString singularLabel(FileKind kind);
QString pluralLabel(FileKind kind);

// Lower-case extensions.
const QSet<QString>& installerExtensions();
const QSet<QString>& documentExtensions();
// Tested in this order, case-sensitively, against the start of the whole file name.
const QStringList& screenshotPrefixes();

// The text after the last dot of the file name, as written; nothing when the dot is the first
// or the last character (".bashrc", "notes.").
QString pathExtension(const QString& fileName);

// A directory that opens as one item: its name has the extension "app".
bool isPackage(const QString& path, const FileSystem& fs);
// A real directory (a symbolic link to one is not) that is not a package.
bool isPlainFolder(const QString& path, const FileSystem& fs);

// The kind of the item at the path. Only the name and whether it is a directory are looked at;
// an item that cannot be examined counts as not a directory.
FileKind classify(const QString& path, const FileSystem& fs);
// Everything classify looks at, as one value: items with equal keys are of one kind, so a
// caller sorting many items need classify only one of each key. The caller tells whether the
// item is a real directory, which it has often looked at already.
QString classificationKey(const QString& path, bool isDirectory);

// Something the user starts rather than opens: a launcher, an application image or anything
// named *.app. Auto-stacking leaves these where they are.
bool isApplication(const QString& path);

} // namespace FileKinds
