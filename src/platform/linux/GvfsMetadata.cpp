#include "platform/linux/GvfsMetadata.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFile>
#include <QStringDecoder>

#include <gio/gio.h>

#include <memory>

const QString GvfsMetadata::service = QStringLiteral("org.gtk.vfs.Metadata");
const QString GvfsMetadata::objectPath = QStringLiteral("/org/gtk/vfs/metadata");
const QString GvfsMetadata::interface = QStringLiteral("org.gtk.vfs.Metadata");

namespace {

// The metadata service answers at once when it runs; starting it on demand takes a moment.
constexpr int callTimeoutMs = 10000;

template<typename T>
struct GObjectDeleter
{
    void operator()(T* object) const { g_object_unref(object); }
};
template<typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

QString takeError(GError* error)
{
    const QString message = QString::fromUtf8(error->message);
    g_error_free(error);
    return message;
}

std::optional<QString> validName(const char* name)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(QByteArrayView(name));
    if (decoder.hasError())
        return std::nullopt;
    return decoded;
}

// A byte string as GDBus sends one: with its terminating NUL.
QByteArray byteString(const QByteArray& bytes)
{
    return bytes + '\0';
}

QString treeForDevice(quint32 major, quint32 minor)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        GvfsMetadata::service, GvfsMetadata::objectPath, GvfsMetadata::interface,
        QStringLiteral("GetTreeFromDevice"));
    call << major << minor;
    const QDBusReply<QString> reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, callTimeoutMs);
    return reply.isValid() ? reply.value() : QString();
}

} // namespace

GvfsMetadata::GvfsMetadata(const QString& home, const QString& dataHome)
    : m_tree(home, dataHome, treeForDevice)
{}

std::optional<QList<GvfsMetadata::Entry>>
GvfsMetadata::read(const QString& folder, const QString& key, QString* failure) const
{
    const QByteArray attribute = "metadata::" + key.toUtf8();
    const GObjectPtr<GFile> directory(g_file_new_for_path(QFile::encodeName(folder).constData()));
    GError* error = nullptr;
    // Without the metadata namespace GIO has no gvfs to read it from.
    GFileAttributeInfoList* writable =
        g_file_query_writable_namespaces(directory.get(), nullptr, &error);
    if (!writable) {
        *failure = takeError(error);
        return std::nullopt;
    }
    const bool hasMetadata = g_file_attribute_info_list_lookup(writable, "metadata") != nullptr;
    g_file_attribute_info_list_unref(writable);
    if (!hasMetadata) {
        *failure = QStringLiteral("GIO has no file metadata here (is gvfs installed?)");
        return std::nullopt;
    }

    const QByteArray attributes = "standard::name,standard::display-name," + attribute;
    const GObjectPtr<GFileEnumerator> enumerator(
        g_file_enumerate_children(directory.get(), attributes.constData(),
                                  G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, nullptr, &error));
    if (!enumerator) {
        *failure = takeError(error);
        return std::nullopt;
    }
    QList<Entry> entries;
    for (;;) {
        GFileInfo* info = g_file_enumerator_next_file(enumerator.get(), nullptr, &error);
        if (!info)
            break;
        const GObjectPtr<GFileInfo> owned(info);
        const std::optional<QString> name = validName(g_file_info_get_name(info));
        if (!name)
            continue;
        Entry entry{*name, QString::fromUtf8(g_file_info_get_display_name(info)), std::nullopt};
        if (const char* value = g_file_info_get_attribute_string(info, attribute.constData()))
            entry.value = QString::fromUtf8(value);
        entries.append(std::move(entry));
    }
    if (error) {
        *failure = takeError(error);
        return std::nullopt;
    }
    return entries;
}

Status GvfsMetadata::set(const QString& path, const Values& values) const
{
    const MetadataLocation location = locate(path);
    QVariantMap data;
    // The values of an a{sv} are variants already: each is sent as a plain string.
    for (const auto& [key, value] : values)
        data.insert(key, value);
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, objectPath, interface, QStringLiteral("Set"));
    call << byteString(location.treeFile) << byteString(location.treePath) << data;
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, callTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return Status::failure(reply.errorMessage().isEmpty() ? reply.errorName()
                                                              : reply.errorMessage());
    return Status::success();
}

MetadataWatcher::MetadataWatcher(const GvfsMetadata& metadata, const QString& folder,
                                 QObject* parent)
    : QObject(parent)
    , m_folder(metadata.locate(folder))
{
    // Qt D-Bus connects signals by slot name only.
    m_watching = QDBusConnection::sessionBus().connect(
        QString(), GvfsMetadata::objectPath, GvfsMetadata::interface,
        QStringLiteral("AttributeChanged"), this, SLOT(onAttributeChanged(QString, QString)));
}

void MetadataWatcher::onAttributeChanged(const QString& treeFile, const QString& treePath)
{
    const QByteArray file = QFile::encodeName(treeFile);
    const QByteArray path = QFile::encodeName(treePath);
    const QByteArray folder =
        m_folder.treePath.endsWith('/') ? m_folder.treePath : m_folder.treePath + '/';
    if (file != m_folder.treeFile || !path.startsWith(folder))
        return;
    const QByteArray name = path.mid(folder.size());
    if (!name.isEmpty() && !name.contains('/'))
        Q_EMIT changed(QFile::decodeName(name));
}
