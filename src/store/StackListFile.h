#pragma once

#include "platform/Status.h"
#include "store/DesktopStack.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

class FileSystem;
class Paths;

// The stacks file, stacks.json in the data folder: the whole list of stack records, rewritten
// after every change.
//
// Saving is cheap when little changed: the encoded bytes of every record are kept with a copy of
// the record, and only records that differ from their copy are encoded again. A window drag that
// saves on every step therefore re-encodes one record and writes the file.
//
// Two more files lie beside it. stacks.json.base holds the list of the last save that changed
// more than window origins; it is flushed to the disk before stacks.json, a second name of the
// same file, takes it. A save that changes nothing but window origins neither waits for the
// disk nor makes a new file: it rewrites stacks.json.spare in place and swaps the two names, so
// the old list becomes the spare for the next step. A power loss can leave such a rewritten file
// with old and new blocks mixed, so the loader trusts stacks.json only while it holds the base's
// records; otherwise it takes the base, whose window origins may be older. Where names cannot
// be swapped, such saves replace stacks.json by rename instead.
class StackListFile
{
public:
    StackListFile(const Paths& paths, FileSystem& fileSystem);

    // Data folder + "/stacks.json". Fixed on first use, which also creates the folder; a failure
    // to create it is ignored (the next save fails and says why).
    QString stacksFileURL();

    // Every file the stacks file keeps in the data folder, the stacks file first.
    QStringList ownFiles();

    // The records in file order. An unreadable or undecodable file gives the empty list, with
    // nothing logged; the file is left as it is until the next save replaces it. A stacks file
    // whose records are not those of the base gives the base's list (logged).
    QList<DesktopStack> loadStackList();

    // Writes the whole list atomically (a reader sees the old file or the new one, never a part).
    // On failure logs "Tidorama: could not save stacks: <reason>" and leaves the file as it was;
    // a record that cannot be encoded (a coordinate that is not finite) fails the whole save.
    Status saveStackList(const QList<DesktopStack>& stacks);

private:
    struct Encoded
    {
        DesktopStack record;
        QByteArray json;
    };

    Status write(const QList<DesktopStack>& stacks);
    // The base first, flushed to the disk, then the stacks file as its second name.
    Status saveRecords(const QByteArray& text);
    // The spare rewritten in place and swapped in, or the stacks file replaced by rename.
    Status saveOrigins(const QByteArray& text);
    // Replaces the file atomically once the disk has the data (QSaveFile).
    static Status writeFlushed(const QString& fileName, const QByteArray& text);
    // Replaces the file atomically without waiting for the disk.
    static Status replace(const QString& fileName, const QByteArray& text);
    QString sibling(const char* suffix);

    const Paths& m_paths;
    FileSystem& m_fileSystem;
    QString m_fileName;
    QHash<QUuid, Encoded> m_encoded;
    // The ids of the last save, in file order.
    QList<QUuid> m_order;
    QByteArray m_buffer;
    // The base holds the records of the last save (which then succeeded).
    bool m_baseCurrent = false;
    bool m_exchangeWorks = true;
};
