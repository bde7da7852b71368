#include "store/StackListFile.h"

#include "platform/FileExchange.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "store/StackListCodec.h"
#include "store/StoreLog.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>

StackListFile::StackListFile(const Paths& paths, FileSystem& fileSystem)
    : m_paths(paths)
    , m_fileSystem(fileSystem)
{}

QString StackListFile::stacksFileURL()
{
    if (m_fileName.isEmpty()) {
        const QString folder = m_paths.dataFolder();
        (void)m_fileSystem.makeFolder(folder, true);
        m_fileName = folder + QStringLiteral("/stacks.json");
    }
    return m_fileName;
}

QStringList StackListFile::ownFiles()
{
    return {stacksFileURL(), sibling(".base"),      sibling(".spare"),
            sibling(".new"), sibling(".inplace-1"), sibling(".inplace-2")};
}

QString StackListFile::sibling(const char* suffix)
{
    return stacksFileURL() + QLatin1String(suffix);
}

namespace {

bool sameFile(const QString& first, const QString& second)
{
    std::error_code error;
    return std::filesystem::equivalent(QFile::encodeName(first).toStdString(),
                                       QFile::encodeName(second).toStdString(), error) &&
           !error;
}

// Equal in everything but the window's origin (items compared cheaply while still shared).
bool sameButOrigin(const DesktopStack& a, const DesktopStack& b)
{
    return a.id == b.id && a.name == b.name && a.folderName == b.folderName && a.state == b.state &&
           a.items == b.items;
}

bool sameButOrigins(const QList<DesktopStack>& a, const QList<DesktopStack>& b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(), sameButOrigin);
}

} // namespace

std::optional<QList<DesktopStack>> StackListFile::decodedFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read whole, a file of hundreds of megabytes would hold up the launch for nothing.
    if (file.size() > largestFile) {
        qCWarning(lcStore).noquote()
            << QStringLiteral("Tidorama: %1 is too large to be a list of stacks (%2 bytes)")
                   .arg(fileName)
                   .arg(file.size());
        return std::nullopt;
    }
    std::optional<QList<DesktopStack>> stacks = StackListCodec::decodeStackList(file.readAll());
    if (!stacks)
        return std::nullopt;
    qsizetype items = 0;
    for (const DesktopStack& stack : std::as_const(*stacks))
        items += stack.items.size();
    if (stacks->size() > mostStacks || items > mostItems) {
        qCWarning(lcStore).noquote()
            << QStringLiteral("Tidorama: %1 lists more than any real list of stacks (%2 stacks, "
                              "%3 files)")
                   .arg(fileName)
                   .arg(stacks->size())
                   .arg(items);
        return std::nullopt;
    }
    return stacks;
}

bool StackListFile::isRewrittenInPlace(const QString& fileName)
{
    return sameFile(fileName, sibling(".inplace-1")) || sameFile(fileName, sibling(".inplace-2"));
}

void StackListFile::setFileAside(const QString& fileName, bool copy)
{
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = fileName + QStringLiteral(".set-aside-") + stamp;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = fileName + QStringLiteral(".set-aside-") + stamp + QLatin1Char('-') +
                QString::number(n);
    // A file rewritten in place keeps its second name and is rewritten again: only a copy
    // of it stays as it is.
    QFile original(fileName);
    const Status kept = !copy                  ? m_fileSystem.move(fileName, aside)
                        : original.copy(aside) ? Status::success()
                                               : Status::failure(original.errorString());
    if (!kept) {
        qCWarning(lcStore).noquote() << QStringLiteral("Tidorama: could not set aside ") +
                                            fileName + QStringLiteral(": ") + kept.description();
        return;
    }
    qCWarning(lcStore).noquote() << QStringLiteral("Tidorama: set the stacks file aside as ") +
                                        aside;
    m_setAside = aside;
}

QList<DesktopStack> StackListFile::loadStackList()
{
    m_setAside.reset();
    const QString fileName = stacksFileURL();
    const QString baseName = sibling(".base");
    // A stacks file that is gone is not brought back: the launch rebuilds the list from the
    // storage folders, as it does without a base.
    if (!QFileInfo::exists(fileName))
        return {};
    const std::optional<QList<DesktopStack>> main = decodedFile(fileName);
    // The durable path's file is the base itself; any other file, but one rewritten in place,
    // was put there whole by rename.
    const bool isBase = sameFile(fileName, baseName);
    const bool inPlace = !isBase && isRewrittenInPlace(fileName);
    if (main && !inPlace)
        return *main;
    std::optional<QList<DesktopStack>> base =
        isBase || !QFileInfo::exists(baseName) ? std::nullopt : decodedFile(baseName);
    if (main && (!base || sameButOrigins(*main, *base)))
        return *main;
    // Most likely a write cut short, but it may be the user's edit: kept either way.
    setFileAside(fileName, inPlace);
    if (!base)
        return {};
    qCWarning(lcStore).noquote() << QStringLiteral(
        "Tidorama: the stacks file was not written out whole; using the last saved stacks");
    return std::move(*base);
}

Status StackListFile::saveStackList(const QList<DesktopStack>& stacks, Durability durability)
{
    const Status written = write(stacks, durability);
    if (!written)
        qCWarning(lcStore).noquote()
            << QStringLiteral("Tidorama: could not save stacks: ") + written.description();
    return written;
}

Status StackListFile::write(const QList<DesktopStack>& stacks, Durability durability)
{
    // Encode everything first, so that a record that cannot be written leaves the file alone.
    // Whether anything but where windows stand has changed since the last save: only such a
    // save is worth waiting for the disk.
    bool filesChanged = stacks.size() != m_order.size();
    QList<QUuid> order;
    order.reserve(stacks.size());
    QHash<QUuid, Encoded> encoded;
    encoded.reserve(stacks.size());
    QByteArrayList parts;
    parts.reserve(stacks.size());
    qsizetype size = 2 + stacks.size();
    for (const DesktopStack& stack : stacks) {
        auto cached = m_encoded.constFind(stack.id);
        filesChanged = filesChanged || cached == m_encoded.cend() ||
                       m_order.at(order.size()) != stack.id ||
                       !sameButOrigin(cached->record, stack);
        order.append(stack.id);
        QByteArray json;
        if (cached != m_encoded.cend() && cached->record == stack) {
            json = cached->json;
        } else {
            QString error;
            std::optional<QByteArray> fresh = StackListCodec::encodeStack(stack, &error);
            if (!fresh)
                return Status::failure(error);
            json = std::move(*fresh);
        }
        size += json.size();
        parts.append(json);
        encoded.insert(stack.id, Encoded{stack, std::move(json)});
    }
    // The buffer is kept between saves: a fresh 3 MB block would be paged in anew each time.
    // Its size is known before the first byte is copied, so it grows at most once.
    QByteArray& text = m_buffer;
    text.resize(0);
    text.reserve(size);
    text.append('[');
    for (const QByteArray& part : std::as_const(parts)) {
        if (text.size() > 1)
            text.append(',');
        text.append(part);
    }
    text.append(']');
    m_encoded = std::move(encoded);
    m_order = std::move(order);

    // The folder may have been removed while the program runs; it costs one look to bring back.
    if (!m_fileSystem.isDirectory(m_paths.dataFolder()))
        (void)m_fileSystem.makeFolder(m_paths.dataFolder(), true);
    // Until a save has put the current records in the base, every save is a durable one.
    if (filesChanged && durability == Durability::replaced) {
        // Written whole beside the base, which keeps the list of the durable save before.
        m_baseCurrent = false;
        return replace(stacksFileURL(), text);
    }
    const Status saved = filesChanged || !m_baseCurrent ? saveRecords(text) : saveOrigins(text);
    // After a failure the base may be behind the records (or ahead of the stacks file): the
    // next save brings both up to date.
    m_baseCurrent = bool(saved);
    return saved;
}

Status StackListFile::saveRecords(const QByteArray& text)
{
    const QString fileName = stacksFileURL();
    const QString baseName = sibling(".base");
    if (const Status written = writeFlushed(baseName, text); !written)
        return written;

    // The stacks file becomes a second name of the base, put in place by rename.
    const std::string link = QFile::encodeName(sibling(".new")).toStdString();
    std::error_code error;
    std::filesystem::remove(link, error);
    std::filesystem::create_hard_link(QFile::encodeName(baseName).toStdString(), link, error);
    if (!error)
        std::filesystem::rename(link, QFile::encodeName(fileName).toStdString(), error);
    if (!error)
        return Status::success();
    std::filesystem::remove(link, error);

    // A file system without second names: a flushed copy of its own.
    return writeFlushed(fileName, text);
}

Status StackListFile::writeFlushed(const QString& fileName, const QByteArray& text)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return Status::failure(file.errorString());
    if (file.write(text) != text.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Status::failure(reason);
    }
    if (!file.commit())
        return Status::failure(file.errorString());
    return Status::success();
}

Status StackListFile::saveOrigins(const QByteArray& text)
{
    const QString fileName = stacksFileURL();
    const QString spareName = sibling(".spare");
    if (m_exchangeWorks && !prepareSpare())
        m_exchangeWorks = false;
    if (m_exchangeWorks) {
        // Rewritten in place: its blocks are reused, so nothing is allocated or freed.
        QFile spare(spareName);
        if (spare.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
            if (spare.write(text) != text.size() || !spare.resize(text.size()))
                return Status::failure(spare.errorString());
            spare.close();
            const FileExchange::Outcome swapped =
                FileExchange::exchange(spareName, fileName).outcome;
            if (swapped == FileExchange::Outcome::exchanged)
                return Status::success();
            // A swap that failed this once (the stacks file was removed…): replaced instead.
            if (swapped == FileExchange::Outcome::failed)
                return replace(fileName, text);
        }
        // No swap here (or no spare can be made): replace by rename from now on.
        m_exchangeWorks = false;
        QFile::remove(spareName);
    }
    return replace(fileName, text);
}

bool StackListFile::prepareSpare()
{
    const QString spareName = sibling(".spare");
    const QString marks[] = {sibling(".inplace-1"), sibling(".inplace-2")};
    for (const QString& mark : marks) {
        if (sameFile(spareName, mark))
            return true;
    }
    // After the first swap that follows a durable save, the spare's name is a third name of the
    // base, which must never be rewritten: that name goes (freeing nothing), and the one of the
    // two that is not at stacks.json takes it.
    const std::string spare = QFile::encodeName(spareName).toStdString();
    std::error_code error;
    std::filesystem::remove(spare, error);
    if (error)
        return false;
    for (const QString& mark : marks) {
        if (sameFile(mark, stacksFileURL()))
            continue;
        if (!QFileInfo::exists(mark)) {
            QFile made(mark);
            if (!made.open(QIODevice::WriteOnly))
                return false;
        }
        std::filesystem::create_hard_link(QFile::encodeName(mark).toStdString(), spare, error);
        return !error;
    }
    return false;
}

Status StackListFile::replace(const QString& fileName, const QByteArray& text)
{
    // Written beside the file and renamed over it: a reader, or the next launch after a crash,
    // sees the old list or the new one, whole. File systems write out the data of a file that
    // replaces another by rename before the rename itself reaches the disk (ext4, XFS and
    // btrfs do), so only the wait for that is left out.
    QTemporaryFile file(fileName + QStringLiteral(".XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open())
        return Status::failure(file.errorString());
    const bool written = file.write(text) == text.size() && file.flush();
    const QString reason = file.errorString();
    const QString temporary = file.fileName();
    file.close();
    std::error_code error;
    if (written)
        std::filesystem::rename(QFile::encodeName(temporary).toStdString(),
                                QFile::encodeName(fileName).toStdString(), error);
    if (written && !error)
        return Status::success();
    QFile::remove(temporary);
    return Status::failure(written ? QString::fromStdString(error.message()) : reason);
}
