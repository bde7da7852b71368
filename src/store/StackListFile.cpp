#include "store/StackListFile.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "store/StackListCodec.h"
#include "store/StoreLog.h"

#include <QFile>
#include <QSaveFile>

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

Status StackListFile::write(const QList<DesktopStack>& stacks)
{
    // Encode everything first, so that a record that cannot be written leaves the file alone.
    QHash<QUuid, Encoded> encoded;
    encoded.reserve(stacks.size());
    // The buffer is kept between saves: a fresh 3 MB block would be paged in anew each time.
    QByteArray& text = m_buffer;
    text.resize(0);
    text.append('[');
    for (const DesktopStack& stack : stacks) {
        auto cached = m_encoded.constFind(stack.id);
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

    const QString fileName = stacksFileURL();
    // The folder may have been removed while the program runs; it costs one look to bring back.
    if (!m_fileSystem.isDirectory(m_paths.dataFolder()))
        (void)m_fileSystem.makeFolder(m_paths.dataFolder(), true);
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
