#pragma once

#include "platform/linux/LocalFileSystem.h"

#include <functional>

// The real disk, with single steps made to fail on purpose. Root ignores file permissions, so
// tests that must run as root inject failures here instead of with chmod.
class FaultyFileSystem : public LocalFileSystem
{
public:
    using MovePredicate = std::function<bool(const QString& from, const QString& to)>;
    using PathPredicate = std::function<bool(const QString& path)>;

    // Fails every move for which the predicate holds.
    void failMoves(MovePredicate predicate) { m_failMove = std::move(predicate); }
    // Fails moves of anything whose last path component is `name`.
    void failMovesOf(const QString& name);
    void failMakeFolder(PathPredicate predicate) { m_failMakeFolder = std::move(predicate); }
    void failTrash(PathPredicate predicate) { m_failTrash = std::move(predicate); }
    // The system error the injected failures carry (EXDEV, EROFS, ENOSPC, …), with its text;
    // 0 gives `injected` without one.
    void failWith(int error) { m_error = error; }
    void clearFailures();

    Status move(const QString& from, const QString& to) override;
    Status makeFolder(const QString& path, bool withParents) override;
    Status moveToTrash(const QString& path, QString* trashedPath) override;

    static inline const QString injected = QStringLiteral("Injected failure.");
    int failures = 0;
    int moves = 0;

private:
    Status injectedFailure();

    int m_error = 0;
    MovePredicate m_failMove;
    PathPredicate m_failMakeFolder;
    PathPredicate m_failTrash;
};
