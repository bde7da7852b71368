#pragma once

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// What a crash must never do to the user's files, checked from the outside: each tracked file
// is in exactly one place (the Desktop and what lies in it, a storage folder, the Trash), under
// its own name, with its own inode and bytes; a bait folder outside the home is untouched; and
// the stacks file lists each file at most once, where its stack's state says it is.
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
    };

    // The Desktop is scanned with all it holds, as are `otherRoots` (a storage folder outside
    // it, the Trash's files); `storageRoots` are where stacked files are kept.
    FileLedger(QString desktop, QStringList otherRoots, QStringList storageRoots, QString bait);

    // The Trash gives a file another name when its own is taken there.
    void allowRenamesIn(const QString& folder) { m_renamesAllowedIn = folder; }
    // Writes a tracked file with distinct contents of a few bytes to a few kilobytes.
    void addFile(const QString& path, quint32 salt);
    int trackedCount() const { return int(m_tracked.size()); }
    // The name a tracked file had when added (the Trash may have given it another).
    QString trackedName(const QString& path) const;
    // Bait files: anything under the bait folder, recorded as it is now.
    void recordBait();

    // Where each tracked file is now, by inode (the scan reads only folders, so it is cheap
    // enough to poll while files move).
    QHash<ino_t, QString> locate() const;
    // How many tracked files are somewhere other than in `before`.
    int movedSince(const QHash<ino_t, QString>& before) const;

    // Every broken promise, one line each, added to the counts. `stacksJson` is the stacks
    // file's text; `storageRoot` the storage folder in use.
    QStringList check(const QByteArray& stacksJson, const QString& storageRoot,
                      Counts* counts) const;
    // The lines of check() with one line for each kind of fault about files, naming a few.
    static QStringList summary(const QStringList& broken);
    // Takes what is there now as the new truth, so one fault is counted once.
    void rebase();

private:
    struct Tracked
    {
        QString name;
        QByteArray hash;
    };
    void scan(const QString& folder, QHash<ino_t, QStringList>* found,
              QHash<QByteArray, QStringList>* byHash, bool hashAll) const;
    QMap<QString, QByteArray> baitState() const;
    QStringList recordViolations(const QByteArray& stacksJson, const QString& storageRoot,
                                 const QHash<ino_t, QString>& where, int* inconsistent) const;

    QString m_desktop;
    QStringList m_roots;
    QStringList m_storageRoots;
    QString m_bait;
    QString m_renamesAllowedIn;
    QHash<ino_t, Tracked> m_tracked;
    QMap<QString, QByteArray> m_baitState;
};
