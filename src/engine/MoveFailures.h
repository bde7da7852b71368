#pragma once

#include "platform/Status.h"
#include "platform/TidoraError.h"

#include <QList>
#include <QString>
#include <QStringList>

class StorageFolders;

// The files one operation could not move, and why, for the one alert that tells the user how
// many stayed behind, where they are and the system's reason.
class MoveFailures
{
public:
    void add(const QString& path, const Status& why);
    void add(const MoveFailures& more);
    bool isEmpty() const { return m_reasons.isEmpty(); }
    qsizetype count() const { return m_reasons.size(); }
    // The files that did not move, where they still are.
    const QStringList& paths() const { return m_paths; }
    // The folders those files lie in, each once, joined by ", ".
    QString places() const;
    // Whether some move failed because the two folders lie on different file systems.
    bool acrossFileSystems() const;

    // "2 of 5 files were not <verb>. They are still in <where>: <reasons>." When a move failed
    // because the storage folder lies on another file system than the Desktop, the alert says
    // so and names the other storage place as the way out.
    TidoraError error(qsizetype asked, const QString& verb, const QString& where,
                      const StorageFolders& folders) const;

private:
    QStringList m_paths;
    QList<Status> m_reasons;
};
