#pragma once

#include <QString>

class FileSystem;

// The list of files a per-user install put in place (<prefix>/share/tidora/install-manifest.txt:
// UTF-8, one absolute path per line, regular files and symbolic links only, the manifest itself
// last), and how uninstalling removes them. A program without one next to it, or with one
// outside the home, was installed for every user and is removed by the package manager.
namespace InstallManifest {

// Where the manifest of a program started from this folder lies (<prefix>/bin → <prefix>).
QString pathFor(const QString& executableFolder);
// The manifest is there, a regular file inside the home: the program was installed per user.
bool isPerUserInstall(const FileSystem& fs, const QString& manifest, const QString& home);

// Removes each listed path that lies inside the home and is a regular file or a symbolic link
// (never followed, never a folder), the manifest last; then the folders those files were in,
// deepest first, each only when it is empty by then and lies below the prefix. Nothing that
// is not listed is removed. Failures are logged and skipped.
void removeInstall(FileSystem& fs, const QString& manifest, const QString& home);

} // namespace InstallManifest
