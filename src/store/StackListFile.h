#pragma once

#include "platform/Status.h"
#include "store/DesktopStack.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

class FileSystem;
class Paths;

// The stacks file, stacks.json in the data folder: the whole list of stack records, rewritten
// after every change.
//
// Saving is cheap when little changed: the encoded bytes of every record are kept with a copy of
// the record, and only records that differ from their copy are encoded again. A window drag that
// saves on every step therefore re-encodes one record and writes the file.
//
// More files lie beside it. stacks.json.base holds the list of the last save that changed more
// than window origins; it is flushed to the disk before stacks.json, a second name of the same
// file, takes it. A save that changes nothing but window origins neither waits for the disk nor
// makes a new file: it rewrites stacks.json.spare in place and swaps the two names, so the old
// list becomes the spare for the next step. Only two files are ever rewritten in place, and each
// keeps a second name, stacks.json.inplace-1 and -2. Where names cannot be swapped, such saves
// replace stacks.json by rename instead.
//
// A stacks.json that decodes whole is the list, whoever put it there (a backup restored, a file
// saved by an editor). Only a file rewritten in place (one of the two) can come back from a
// power loss with old and new blocks mixed and still decode: that one is trusted only while it
// holds the base's records, and the base, whose window origins may be older, is taken otherwise.
// A stacks.json that is not taken, because it does not decode, is far larger than any real list
// or was torn, is kept as "stacks.json.set-aside-<UTC date and time>" so that nothing in it is
// lost, and the base is taken when it can be read (the launch rebuilds the list from the
// storage folders otherwise).
class StackListFile
{
public:
    StackListFile(const Paths& paths, FileSystem& fileSystem);

    // Data folder + "/stacks.json". Fixed on first use, which also creates the folder; a failure
    // to create it is ignored (the next save fails and says why).
    QString stacksFileURL();

    // Every file the stacks file keeps in the data folder, the stacks file first.
    QStringList ownFiles();

    // The records in file order, as described above; a missing file gives the empty list.
    QList<DesktopStack> loadStackList();
    // Where the last load set the stacks file aside, when it did.
    const std::optional<QString>& setAside() const { return m_setAside; }

    // A stacks file larger than this, or holding more stacks or items, is not a real list.
    static constexpr qint64 largestFile = 16 * 1024 * 1024;
    static constexpr qsizetype mostStacks = 1000;
    static constexpr qsizetype mostItems = 50000;

    // How long a save waits.
    enum class Durability {
        // Until the disk has the list: what a change of records needs.
        flushed,
        // Not for the disk: a power loss may bring back the list of the save before, whole. For
        // the save that follows the moves a durable save announced: the announced list is what
        // a launch finishes the moves from.
        replaced,
    };

    // Writes the whole list atomically (a reader sees the old file or the new one, never a part).
    // On failure logs "Tidorama: could not save stacks: <reason>" and leaves the file as it was;
    // a record that cannot be encoded (a coordinate that is not finite) fails the whole save.
    Status saveStackList(const QList<DesktopStack>& stacks,
                         Durability durability = Durability::flushed);

private:
    struct Encoded
    {
        DesktopStack record;
        QByteArray json;
    };

    Status write(const QList<DesktopStack>& stacks, Durability durability);
    // The base first, flushed to the disk, then the stacks file as its second name.
    Status saveRecords(const QByteArray& text);
    // The spare rewritten in place and swapped in, or the stacks file replaced by rename.
    Status saveOrigins(const QByteArray& text);
    // Makes the spare one of the two files rewritten in place (not the one at stacks.json);
    // false when that cannot be done here.
    bool prepareSpare();
    // Whether the file at this name is one of the two rewritten in place.
    bool isRewrittenInPlace(const QString& fileName);
    // The records of a file, nothing when it cannot be read or is not a real list.
    static std::optional<QList<DesktopStack>> decodedFile(const QString& fileName);
    // Renames the file aside, or copies it (`copy`) when it is rewritten in place.
    void setFileAside(const QString& fileName, bool copy);
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
    std::optional<QString> m_setAside;
};
