#pragma once

#include <QString>

// Tells whether the entries of a folder may have changed since it was last asked, as a desktop
// program watching its folder knows it: through inotify, whose events are queued by the call
// that made the change, so a change is never missed. Answers yes whenever it cannot know (the
// first time, a folder that was replaced or could not be watched, an overflowing queue).
class FolderChanges
{
public:
    explicit FolderChanges(QString folder);
    ~FolderChanges();
    FolderChanges(const FolderChanges&) = delete;
    FolderChanges& operator=(const FolderChanges&) = delete;

    bool changedSinceLastAsked();

private:
    // Reads every queued event; the watch is gone once one of them is its own.
    void drainEvents();

    QString m_folder;
    int m_fd = -1;
    int m_watch = -1;
};
