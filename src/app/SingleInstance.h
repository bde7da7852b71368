#pragma once

#include <QObject>
#include <QStringList>

#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;

// One running copy per user. The running copy listens on a local socket in the user's runtime
// folder; a new copy connects to it first:
//   - started with URLs, it hands them over and is done (the caller exits);
//   - started without, it asks the running copy to quit, waits until that copy is gone, and
//     listens itself.
// With nobody listening, the new copy listens (and handles its own URLs after launch). The
// whole check runs under a lock file, so two copies starting at once take turns.
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
        // No socket could be had; this copy runs without hearing from later ones.
        Alone,
    };

    explicit SingleInstance(QString runtimeFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The blocking start-up step. Call it before the event loop runs.
    Outcome start(const QStringList& urls);
    // Stops listening; the socket file goes with it.
    void stopListening();

    QString socketPath() const { return m_socketPath; }
    QString lockPath() const { return m_lockPath; }

    // How long a new copy waits for the running one to answer, and to be gone after "quit".
    static constexpr std::chrono::seconds answerTimeout{30};

Q_SIGNALS:
    // A newer copy asked this one to quit. Listening has stopped already.
    void quitRequested();
    // A copy started with these URLs handed them over (one delivery).
    void urlsReceived(const QStringList& urls);

private:
    Outcome connectAndHandOver(const QStringList& urls);
    bool listen();
    void accept();
    void readFrom(QLocalSocket* socket);

    QString m_socketPath;
    QString m_lockPath;
    std::unique_ptr<QLocalServer> m_server;
};
