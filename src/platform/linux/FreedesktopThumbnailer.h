#pragma once

#include "platform/ThumbnailService.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <optional>

// The freedesktop thumbnailer service (org.freedesktop.thumbnails.Thumbnailer1, which tumbler
// and others provide) on the session bus, and GLib's spelling of file URIs, which every
// program that shares the cache uses.
class FreedesktopThumbnailer : public QObject, public ThumbnailService
{
    Q_OBJECT

public:
    explicit FreedesktopThumbnailer(QDBusConnection bus = QDBusConnection::sessionBus(),
                                    QObject* parent = nullptr);

    QByteArray cacheUri(const QString& path) const override;
    void request(const QStringList& paths, const QString& flavour, QObject* context,
                 std::function<void(const QString& path)> made) override;

private Q_SLOTS:
    void onReady(uint handle, const QStringList& uris);
    void onFinished(uint handle);

private:
    void askWhatIsSupported();

    struct Request
    {
        QPointer<QObject> context;
        std::function<void(const QString& path)> made;
        QHash<QString, QString> pathByUri;
    };

    QDBusConnection m_bus;
    bool m_listening = false;
    bool m_supportAsked = false;
    // The types the service makes thumbnails of, once it has said.
    std::optional<QSet<QString>> m_supported;
    QHash<uint, Request> m_requests;
    int m_unanswered = 0;
    // What the service told of a handle before the answer that names it came back.
    QHash<uint, QStringList> m_early;
    QSet<uint> m_finishedEarly;
};
