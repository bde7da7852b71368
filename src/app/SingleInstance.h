#pragma once

#include <QObject>
#include <QStringList>

#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One running copy per user. A copy that runs holds a lock file in the user's runtime folder
// for as long as its process lives, and listens on a local socket there. A new copy looks
// first:
//   - with the lock free (nobody runs, or the copy that held it died), it takes the lock,
//     clears a socket file left behind and listens (a copy of an earlier version, which
//     listens without the lock, is asked to quit first and waited for);
//   - started with URLs, it hands them over to the running copy and is done (the caller exits);
//   - started without, it asks the running copy to quit and waits until that process is gone
//     (its lock free) before it takes the lock and listens. Until then it touches nothing.
// The check itself runs under a second lock file, so copies starting at once take turns.
//
// Messages are one JSON object a line: {"quit":true}, {"open":[url, …]} answered by
// {"ok":true}.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        // The URLs were handed to the running copy.
        Forwarded,
        // This copy is the running copy now.
        Listening,
        // This copy is the running copy, but no socket could be had: it hears from no other.
        Alone,
        // Another copy still runs and did not go in time: this copy must not run.
        Blocked,
    };

    explicit SingleInstance(const QString& runtimeFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The blocking start-up step. Call it before the event loop runs.
    Outcome start(const QStringList& urls);
    // Stops listening; the socket file goes with it. The lock stays until this object goes.
    void stopListening();

    QString socketPath() const { return m_socketPath; }
    QString lockPath() const { return m_runningPath; }
    // After Blocked: the process id of the copy that did not go (0 when unknown).
    qint64 blockingProcess() const { return m_blockingProcess; }

    // How long a new copy waits for the running one to answer, and to be gone after "quit"
    // (it may be finishing an operation on many files first).
    static constexpr std::chrono::seconds answerTimeout{30};
    static constexpr std::chrono::seconds defaultGoneTimeout{120};
    void setGoneTimeout(std::chrono::milliseconds timeout) { m_goneTimeout = timeout; }

Q_SIGNALS:
    // A newer copy asked this one to quit. Listening has stopped already.
    void quitRequested();
    // A copy started with these URLs handed them over (one delivery).
    void urlsReceived(const QStringList& urls);

private:
    // False when there was nobody to hand over to.
    bool handOver(QLocalSocket& socket, const QStringList& urls);
    // With the lock taken: an earlier version may still listen without it.
    Outcome takeOverFromUnlocked(std::unique_ptr<QLockFile> running, const QStringList& urls);
    Outcome takeOver(std::unique_ptr<QLockFile> running);
    bool listen();
    void accept();
    void readFrom(QLocalSocket* socket);

    QString m_socketPath;
    QString m_turnPath;
    QString m_runningPath;
    std::chrono::milliseconds m_goneTimeout = defaultGoneTimeout;
    qint64 m_blockingProcess = 0;
    std::unique_ptr<QLockFile> m_running;
    std::unique_ptr<QLocalServer> m_server;
};
