#include "platform/linux/FreedesktopThumbnailer.h"

#include "platform/PlatformLog.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QMimeDatabase>
#include <QScopeGuard>

#include <glib.h>

#include <memory>

namespace {

const QString service = QStringLiteral("org.freedesktop.thumbnails.Thumbnailer1");
const QString objectPath = QStringLiteral("/org/freedesktop/thumbnails/Thumbnailer1");
const QString interface = QStringLiteral("org.freedesktop.thumbnails.Thumbnailer1");

// The file's type as the desktop names it: where its contents show a kind of the type its name
// gives (a Theora video in an .ogv file), the kind, which thumbnailers are registered for.
QString typeOf(const QMimeDatabase& mime, const QString& path)
{
    const QMimeType byName = mime.mimeTypeForFile(path);
    const QMimeType byContent = mime.mimeTypeForFile(path, QMimeDatabase::MatchContent);
    return byContent.isValid() && byContent != byName && byContent.inherits(byName.name())
               ? byContent.name()
               : byName.name();
}

} // namespace

FreedesktopThumbnailer::FreedesktopThumbnailer(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{}

QByteArray FreedesktopThumbnailer::cacheUri(const QString& path) const
{
    const std::unique_ptr<gchar, decltype(&g_free)> uri(
        g_filename_to_uri(QFile::encodeName(path).constData(), nullptr, nullptr), &g_free);
    return uri ? QByteArray(uri.get()) : QByteArray();
}

void FreedesktopThumbnailer::request(const QStringList& paths, const QString& flavour,
                                     QObject* context,
                                     std::function<void(const QString& path)> made)
{
    if (paths.isEmpty() || !m_bus.isConnected())
        return;
    if (!m_listening) {
        // Signals of a service started later still arrive: the match is on the names.
        m_listening = m_bus.connect(service, objectPath, interface, QStringLiteral("Ready"), this,
                                    SLOT(onReady(uint, QStringList))) &&
                      m_bus.connect(service, objectPath, interface, QStringLiteral("Finished"),
                                    this, SLOT(onFinished(uint)));
    }
    if (!m_supportAsked)
        askWhatIsSupported();
    Request request{context, std::move(made), {}};
    QStringList uris;
    QStringList types;
    const QMimeDatabase mime;
    for (const QString& path : paths) {
        const QString uri = QString::fromUtf8(cacheUri(path));
        const QString type = typeOf(mime, path);
        // What no thumbnailer takes is not asked for at every redraw.
        if (uri.isEmpty() || (m_supported && !m_supported->contains(type)))
            continue;
        uris.append(uri);
        types.append(type);
        request.pathByUri.insert(uri, path);
    }
    if (uris.isEmpty())
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, objectPath, interface, QStringLiteral("Queue"));
    call << uris << types << flavour << QStringLiteral("foreground") << 0u;
    // Asked without waiting: where no service runs the bus answers with an error, and the
    // file keeps the picture it has.
    ++m_unanswered;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, request = std::move(request)]() mutable {
                watcher->deleteLater();
                const QDBusPendingReply<uint> reply = *watcher;
                const auto answered = qScopeGuard([this] {
                    // The service's signals go to every program that listens: what was kept
                    // for a handle none of ours turned out to be is dropped.
                    if (--m_unanswered == 0) {
                        m_early.clear();
                        m_finishedEarly.clear();
                    }
                });
                if (reply.isError()) {
                    qCDebug(lcPlatform).noquote()
                        << QStringLiteral("no thumbnailer: %1").arg(reply.error().message());
                    return;
                }
                const uint handle = reply.value();
                m_requests.emplace(handle, std::move(request));
                // Thumbnails made before the answer reached here.
                if (const QStringList early = m_early.take(handle); !early.isEmpty())
                    onReady(handle, early);
                if (m_finishedEarly.remove(handle))
                    m_requests.remove(handle);
            });
}

void FreedesktopThumbnailer::askWhatIsSupported()
{
    m_supportAsked = true;
    const QDBusMessage call = QDBusMessage::createMethodCall(service, objectPath, interface,
                                                             QStringLiteral("GetSupported"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QStringList, QStringList> reply = *watcher;
        if (reply.isError())
            return;
        // Pairs of a URI scheme and a type; only local files are ever asked for.
        const QStringList schemes = reply.argumentAt<0>();
        const QStringList types = reply.argumentAt<1>();
        QSet<QString> supported;
        for (qsizetype i = 0; i < std::min(schemes.size(), types.size()); ++i) {
            if (schemes.at(i) == QLatin1String("file"))
                supported.insert(types.at(i));
        }
        m_supported = std::move(supported);
    });
}

void FreedesktopThumbnailer::onReady(uint handle, const QStringList& uris)
{
    const auto found = m_requests.constFind(handle);
    if (found == m_requests.cend()) {
        if (m_unanswered > 0)
            m_early[handle] += uris;
        return;
    }
    if (!found->context)
        return;
    // The callback may ask again, changing the table: work from a copy.
    Request request = *found;
    for (const QString& uri : uris) {
        const auto path = request.pathByUri.constFind(uri);
        if (path != request.pathByUri.cend() && request.context)
            request.made(*path);
    }
}

void FreedesktopThumbnailer::onFinished(uint handle)
{
    if (!m_requests.remove(handle) && m_unanswered > 0)
        m_finishedEarly.insert(handle);
}
