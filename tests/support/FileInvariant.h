#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

class TempHome;

// Checks the rule every file-moving test must keep: each file the test handed to the program
// is in exactly one of the places it may be (the Desktop and what lies inside it, the storage
// folders, the Trash when allowed), whole and byte for byte as it was; and nothing outside those
// places has changed. Files are told apart by their contents, which addFile makes unique.
class FileInvariant
{
public:
    // Takes a snapshot of everything in the home that is not in an allowed place.
    explicit FileInvariant(const TempHome& home);

    // Creates a tracked file (path relative to the home, usually "Desktop/…"). The contents are
    // unique unless given.
    QString addFile(const QString& relativePath, const QByteArray& content = QByteArray());
    QString addDesktopFile(const QString& name)
    {
        return addFile(QStringLiteral("Desktop/") + name);
    }
    // A symbolic link, tracked by its target text.
    QString addSymlink(const QString& relativePath, const QString& target);
    // Tracks a file that already exists.
    void track(const QString& path);

    // Tracked files may also end up in the user's Trash, each with its .trashinfo.
    void allowTrash() { m_trashAllowed = true; }
    // Another folder (relative to the home) where tracked files may be.
    void allowPlace(const QString& relativePath);
    // Takes the snapshot of what lies outside the allowed places again, after a test put
    // things there that the program must leave alone.
    void takeSnapshot();

    // Where the tracked file first created at `originalPath` is now; empty when it is nowhere or
    // in several places.
    QString locate(const QString& originalPath) const;
    // Where each tracked file is now, by the path it was first created at; files that are
    // nowhere or in several places are left out (violations names them).
    QHash<QString, QString> locations() const;
    // Every broken rule, one line each; empty when all is well.
    QStringList violations() const;

private:
    struct Entry
    {
        QString originalPath;
        bool symlink = false;
    };
    QHash<QString, QString> scanOthers() const;
    QHash<QByteArray, QStringList> scanPlaces() const;
    bool isAllowedPlace(const QString& path) const;
    bool isIgnored(const QString& path) const;
    static QByteArray fingerprint(const QString& path, bool* isLink);

    const TempHome& m_home;
    QStringList m_places;
    bool m_trashAllowed = false;
    QHash<QByteArray, Entry> m_tracked;
    QHash<QString, QString> m_others;
    int m_counter = 0;
};

#define TIDORA_CHECK_INVARIANT(invariant)                                                          \
    do {                                                                                           \
        const QStringList broken_ = (invariant).violations();                                      \
        QVERIFY2(broken_.isEmpty(), qPrintable(broken_.join(QLatin1Char('\n'))));                  \
    } while (false)
