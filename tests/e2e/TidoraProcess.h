#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The built program (or another copy of it) started the way a desktop starts it, in the
// current (temporary) home, with its debug trace on so a test can follow what it does.
class TidoraProcess
{
public:
    explicit TidoraProcess(const QStringList& arguments = {},
                           const QString& executable = program());
    ~TidoraProcess();
    TidoraProcess(const TidoraProcess&) = delete;
    TidoraProcess& operator=(const TidoraProcess&) = delete;

    static QString program();

    QProcess& process() { return m_process; }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    qint64 processId() const { return m_process.processId(); }
    // Everything it has written so far.
    QString output();
    // Waits until a line holding `text` has been written after the first `skip` characters.
    bool waitForOutput(const QString& text, qsizetype skip = 0, int timeoutMs = 60000);
    bool waitForExit(int timeoutMs = 60000);
    // Ends it as the session would.
    void stop();

private:
    QProcess m_process;
    QString m_output;
};
