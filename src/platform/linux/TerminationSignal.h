#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT (a logout, `kill`, Control+C in a terminal) as a Qt signal, so
// that Tidora ends as when the user quits it: work under way finishes and what Tidora holds in
// the desktop (its registered hot key) is given back. A second such signal ends the program at
// once, as without this.
class TerminationSignal : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignal(QObject* parent = nullptr);
    ~TerminationSignal() override;

Q_SIGNALS:
    void received();

private:
    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};
