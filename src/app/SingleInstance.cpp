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

SingleInstance::SingleInstance(const QString& runtimeFolder, QObject* parent)
    : QObject(parent)
{
    const QString base = runtimeFolder + QStringLiteral("/tidora-") + QString::number(::getuid());
    m_socketPath = base + QStringLiteral(".socket");
    m_turnPath = base + QStringLiteral(".lock");
    m_runningPath = base + QStringLiteral(".running");
    if (!QDir(runtimeFolder).exists()) {
        QDir().mkpath(runtimeFolder);
        QFile::setPermissions(runtimeFolder,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

SingleInstance::~SingleInstance()
{
    stopListening();
}

SingleInstance::Outcome SingleInstance::start(const QStringList& urls)
{
    // Only a dead owner makes either lock stale: a copy waiting for an old one to quit holds
    // its turn for a while, and a running copy holds its lock for its whole life.
    QLockFile turn(m_turnPath);
    turn.setStaleLockTime(0);
    const auto turnTimeout = m_goneTimeout + answerTimeout + std::chrono::seconds(10);
    if (!turn.tryLock(int(std::chrono::milliseconds(turnTimeout).count()))) {
        qCWarning(lcApp).noquote()
            << QStringLiteral("Tidorama: another copy is starting and holds %1").arg(m_turnPath);
        return Outcome::Blocked;
    }

    auto running = std::make_unique<QLockFile>(m_runningPath);
    running->setStaleLockTime(0);
    if (running->tryLock(0))
        return takeOverFromUnlocked(std::move(running), urls);
    if (running->error() != QLockFile::LockFailedError) {
        qCWarning(lcApp).noquote()
            << QStringLiteral("Tidorama: could not make the lock %1").arg(m_runningPath);
        return Outcome::Blocked;
    }

    // Kept open until the old copy is gone, so that it surely reads the request.
    QLocalSocket socket;
    if (handOver(socket, urls) && !urls.isEmpty())
        return Outcome::Forwarded;
    // Without URLs the running copy was asked to quit; a copy that could not be reached may be
    // on its way out already. Either way this one waits for it to be gone.
    if (!running->tryLock(int(m_goneTimeout.count()))) {
        qint64 process = 0;
        QString host;
        QString program;
        if (running->getLockInfo(&process, &host, &program))
            m_blockingProcess = process;
        qCWarning(lcApp).noquote()
            << QStringLiteral("Tidorama: the copy already running (process %1) did not quit")
                   .arg(m_blockingProcess);
        return Outcome::Blocked;
    }
    return takeOver(std::move(running));
}

bool SingleInstance::handOver(QLocalSocket& socket, const QStringList& urls)
{
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(5000))
        return false;
    const QDeadlineTimer deadline(answerTimeout);
    if (!urls.isEmpty()) {
        send(socket, QJsonObject{{QStringLiteral("open"), QJsonArray::fromStringList(urls)}});
        if (!waitForLine(socket, deadline))
            qCWarning(lcApp) << "Tidorama: the running copy did not answer";
        return true;
    }
    send(socket, QJsonObject{{QStringLiteral("quit"), true}});
    return true;
}

SingleInstance::Outcome SingleInstance::takeOverFromUnlocked(std::unique_ptr<QLockFile> running,
                                                             const QStringList& urls)
{
    // A copy that listens without holding the lock is of an earlier version, which ends when
    // asked and keeps the connection open until then.
    QLocalSocket socket;
    if (!handOver(socket, urls))
        return takeOver(std::move(running));
    if (!urls.isEmpty())
        return Outcome::Forwarded;
    const QDeadlineTimer deadline(m_goneTimeout);
    while (socket.state() != QLocalSocket::UnconnectedState && !deadline.hasExpired()) {
        if (!socket.waitForDisconnected(remainingMs(deadline)))
            socket.readAll();
    }
    if (socket.state() != QLocalSocket::UnconnectedState) {
        qCWarning(lcApp) << "Tidorama: the copy already running did not quit";
        return Outcome::Blocked;
    }
    return takeOver(std::move(running));
}

SingleInstance::Outcome SingleInstance::takeOver(std::unique_ptr<QLockFile> running)
{
    m_running = std::move(running);
    return listen() ? Outcome::Listening : Outcome::Alone;
}

bool SingleInstance::listen()
{
    // Whoever made a socket file there is gone: this copy holds the lock of the running copy.
    QLocalServer::removeServer(m_socketPath);
    m_server = std::make_unique<QLocalServer>();
    // No socket options: the runtime folder is the user's own already.
    if (!m_server->listen(m_socketPath)) {
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
            for (const QJsonValue url : open.toArray())
                urls.append(url.toString());
            send(*socket, QJsonObject{{QStringLiteral("ok"), true}});
            Q_EMIT urlsReceived(urls);
        }
    }
    if (socket->bytesAvailable() > maximumMessage)
        socket->abort();
}
