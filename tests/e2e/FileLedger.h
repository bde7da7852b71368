#pragma once

#include "FileInvariant.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <sys/types.h>

class TempHome;

// What a crash must never do to the user's files, checked from the outside: the home's file
// invariant (each tracked file once, whole, in a place it may be; nothing else in the home
// touched), each file under its own name (the Trash may rename) and with its own inode, and
// the stacks file listing each file at most once, where its stack's state says it is.
class FileLedger
{
public:
    struct Counts
    {
        int lost = 0;
        int duplicated = 0;
        int renamed = 0;
        int changed = 0;
        int inconsistent = 0;
        int baitTouched = 0;
        bool any() const
        {
            return lost + duplicated + renamed + changed + inconsistent + baitTouched > 0;
        }
        Counts& operator+=(const Counts& other);
    };

    // `storageRoots` are where stacked files may be kept. Whatever the home holds now outside
    // the Desktop, those and the Trash must stay as it is.
    FileLedger(const TempHome& home, QStringList storageRoots);

    // Writes a tracked file on the Desktop with distinct contents of a few bytes to a few
    // kilobytes.
    void addFile(const QString& name, quint32 salt);
    int trackedCount() const { return int(m_inodes.size()); }
    // The name each tracked file had when added, by where it is now.
    QHash<QString, QString> originalNames() const;

    // Every file in the places files may be (the scan reads only folders, so it is cheap
    // enough to poll while files move).
    QSet<QString> locate() const;
    // How many of `before` are no longer where they were.
    int movedSince(const QSet<QString>& before) const;

    // Every broken promise, one line each. `stacksJson` is the stacks file's text;
    // `storageRoot` the storage folder in use.
    QStringList check(const QByteArray& stacksJson, const QString& storageRoot) const;
    static Counts tally(const QStringList& broken);
    // What lies outside the places now is taken as the truth, so one fault is counted once.
    void rebase() { m_invariant.takeSnapshot(); }

private:
    QStringList recordViolations(const QByteArray& stacksJson, const QString& storageRoot,
                                 const QHash<QString, QString>& where) const;

    const TempHome& m_home;
    FileInvariant m_invariant;
    QStringList m_roots;
    QStringList m_storageRoots;
    QHash<QString, ino_t> m_inodes;
};
