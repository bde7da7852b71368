#include "app/SingleInstance.h"

#include "app/AppLog.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

#include <algorithm>

namespace {

// A message longer than this is not ours.
constexpr qint64 maximumMessage = 1 << 20;

void send(QLocalSocket& socket, const QJsonObject& message)
{
    socket.write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
    socket.flush();
}

int remainingMs(const QDeadlineTimer& deadline)
{
    return int(std::max<qint64>(deadline.remainingTime(), 0));
}

// Waits for one whole line of answer.
bool waitForLine(QLocalSocket& socket, const QDeadlineTimer& deadline)
{
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || socket.state() != QLocalSocket::ConnectedState ||
            !socket.waitForReadyRead(remainingMs(deadline)))
            return socket.canReadLine();
    }
    return true;
}

} // namespace

SingleInstance::SingleInstance(QString runtimeFolder, QObject* parent)
    : QObject(parent)
{
    const QString base = runtimeFolder + QStringLiteral("/tidora-") + QString::number(::getuid());
    m_socketPath = base + QStringLiteral(".socket");
    m_lockPath = base + QStringLiteral(".lock");
    if (!QDir(runtimeFolder).exists()) {
        QDir().mkpath(runtimeFolder);
        QFile::setPermissions(runtimeFolder,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Outcome SingleInstance::start(const QStringList& urls)
{
    // Only a dead owner makes the lock stale: a copy waiting for an old one to quit may hold it
    // for a while.
    QLockFile lock(m_lockPath);
    lock.setStaleLockTime(0);
    if (!lock.tryLock(int(std::chrono::milliseconds(answerTimeout * 2).count())))
        qCWarning(lcApp).noquote()
            << QStringLiteral("Tidorama: could not take the lock %1").arg(m_lockPath);
    if (connectAndHandOver(urls) == Outcome::Forwarded)
        return Outcome::Forwarded;
    return listen() ? Outcome::Listening : Outcome::Alone;
}

SingleInstance::Outcome SingleInstance::connectAndHandOver(const QStringList& urls)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(5000)) {
        // Refused: a copy that ended without closing left its socket file. Only then may the
        // file go; removing it while a copy listens would orphan that copy.
        if (socket.error() == QLocalSocket::ConnectionRefusedError)
            QLocalServer::removeServer(m_socketPath);
        return Outcome::Listening;
    }
    const QDeadlineTimer deadline(answerTimeout);
    if (!urls.isEmpty()) {
        send(socket, QJsonObject{{QStringLiteral("open"), QJsonArray::fromStringList(urls)}});
        if (!waitForLine(socket, deadline))
            qCWarning(lcApp) << "Tidorama: the running copy did not answer";
        return Outcome::Forwarded;
    }
    send(socket, QJsonObject{{QStringLiteral("quit"), true}});
    // The old copy keeps the connection until it ends.
    while (socket.state() != QLocalSocket::UnconnectedState && !deadline.hasExpired()) {
        if (!socket.waitForDisconnected(remainingMs(deadline)))
            socket.readAll();
    }
    if (socket.state() != QLocalSocket::UnconnectedState)
        qCWarning(lcApp) << "Tidorama: the copy already running did not quit";
    return Outcome::Listening;
}

bool SingleInstance::listen()
{
    m_server = std::make_unique<QLocalServer>();
    // No socket options: with UserAccessOption, listen() replaces the socket file of a copy
    // that is still listening. The runtime folder is the user's own already.
    bool listening = m_server->listen(m_socketPath);
    if (!listening && m_server->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalSocket probe;
        probe.connectToServer(m_socketPath);
        if (!probe.waitForConnected(5000) &&
            probe.error() == QLocalSocket::ConnectionRefusedError) {
            QLocalServer::removeServer(m_socketPath);
            listening = m_server->listen(m_socketPath);
        }
    }
    if (!listening) {
        qCWarning(lcApp).noquote()
            << QStringLiteral("Tidorama: could not listen for other copies on %1: %2")
                   .arg(m_socketPath, m_server->errorString());
        m_server.reset();
        return false;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::stopListening()
{
    if (m_server)
        m_server->close();
    m_server.reset();
}

void SingleInstance::accept()
{
    while (m_server && m_server->hasPendingConnections()) {
        QLocalSocket* socket = m_server->nextPendingConnection();
        // Kept beyond the server: a copy that asked us to quit waits for this connection to
        // close, which it does when this process ends.
        socket->setParent(this);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QJsonObject message = QJsonDocument::fromJson(socket->readLine()).object();
        if (message.value(QStringLiteral("quit")).toBool()) {
            stopListening();
            Q_EMIT quitRequested();
            return;
        }
        const QJsonValue open = message.value(QStringLiteral("open"));
        if (open.isArray()) {
            QStringList urls;
            for (const QJsonValue& url : open.toArray())
                urls.append(url.toString());
            send(*socket, QJsonObject{{QStringLiteral("ok"), true}});
            Q_EMIT urlsReceived(urls);
        }
    }
    if (socket->bytesAvailable() > maximumMessage)
        socket->abort();
}
