#pragma once

#include "platform/Status.h"
#include "store/DesktopStack.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>

class FileSystem;
class Paths;

// The stacks file, stacks.json in the data folder: the whole list of stack records, rewritten
// after every change.
//
// Saving is cheap when little changed: the encoded bytes of every record are kept with a copy of
// the record, and only records that differ from their copy are encoded again. A window drag that
// saves on every step therefore re-encodes one record and writes the file. A save that changes
// nothing but window origins is as atomic as any other, but does not wait until the disk has
// the data (the file system writes it before the rename that puts it in place); every other
// save does.
class StackListFile
{
public:
    StackListFile(const Paths& paths, FileSystem& fileSystem);

    // Data folder + "/stacks.json". Fixed on first use, which also creates the folder; a failure
    // to create it is ignored (the next save fails and says why).
    QString stacksFileURL();

    // The records in file order. An unreadable or undecodable file gives the empty list, with
    // nothing logged; the file is left as it is until the next save replaces it.
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
    // Replaces the file atomically without waiting for the disk.
    static Status replace(const QString& fileName, const QByteArray& text);

    const Paths& m_paths;
    FileSystem& m_fileSystem;
    QString m_fileName;
    QHash<QUuid, Encoded> m_encoded;
    // The ids of the last save, in file order.
    QList<QUuid> m_order;
    QByteArray m_buffer;
};
