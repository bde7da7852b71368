#include "store/StackListFile.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "store/StackListCodec.h"
#include "store/StoreLog.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>

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

QList<DesktopStack> StackListFile::loadStackList()
{
    QFile file(stacksFileURL());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return StackListCodec::decodeStackList(file.readAll()).value_or(QList<DesktopStack>());
}

Status StackListFile::saveStackList(const QList<DesktopStack>& stacks)
{
    const Status written = write(stacks);
    if (!written)
        qCWarning(lcStore).noquote()
            << QStringLiteral("Tidorama: could not save stacks: ") + written.description();
    return written;
}

namespace {

// Equal in everything but the window's origin (items compared cheaply while still shared).
bool sameButOrigin(const DesktopStack& a, const DesktopStack& b)
{
    return a.id == b.id && a.name == b.name && a.folderName == b.folderName && a.state == b.state &&
           a.items == b.items;
}

} // namespace

Status StackListFile::write(const QList<DesktopStack>& stacks)
{
    // Encode everything first, so that a record that cannot be written leaves the file alone.
    // Whether anything but where windows stand has changed since the last save: only such a
    // save is worth waiting for the disk.
    bool filesChanged = stacks.size() != m_order.size();
    QList<QUuid> order;
    order.reserve(stacks.size());
    QHash<QUuid, Encoded> encoded;
    encoded.reserve(stacks.size());
    // The buffer is kept between saves: a fresh 3 MB block would be paged in anew each time.
    QByteArray& text = m_buffer;
    text.resize(0);
    text.append('[');
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
        if (text.size() > 1)
            text.append(',');
        text.append(json);
        encoded.insert(stack.id, Encoded{stack, std::move(json)});
    }
    text.append(']');
    m_encoded = std::move(encoded);
    m_order = std::move(order);

    const QString fileName = stacksFileURL();
    // The folder may have been removed while the program runs; it costs one look to bring back.
    if (!m_fileSystem.isDirectory(m_paths.dataFolder()))
        (void)m_fileSystem.makeFolder(m_paths.dataFolder(), true);
    if (!filesChanged)
        return replace(fileName, text);
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
