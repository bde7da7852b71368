#include "FaultyFileSystem.h"

#include <QFileInfo>

void FaultyFileSystem::failMovesOf(const QString& name)
{
    failMoves(
        [name](const QString& from, const QString&) { return QFileInfo(from).fileName() == name; });
}

void FaultyFileSystem::clearFailures()
{
    m_failMove = nullptr;
    m_failMakeFolder = nullptr;
    m_failTrash = nullptr;
}

Status FaultyFileSystem::move(const QString& from, const QString& to)
{
    ++moves;
    if (m_failMove && m_failMove(from, to)) {
        ++failures;
        return Status::failure(injected);
    }
    return LocalFileSystem::move(from, to);
}

Status FaultyFileSystem::makeFolder(const QString& path, bool withParents)
{
    if (m_failMakeFolder && m_failMakeFolder(path)) {
        ++failures;
        return Status::failure(injected);
    }
    return LocalFileSystem::makeFolder(path, withParents);
}

Status FaultyFileSystem::moveToTrash(const QString& path, QString* trashedPath)
{
    if (m_failTrash && m_failTrash(path)) {
        ++failures;
        return Status::failure(injected);
    }
    return LocalFileSystem::moveToTrash(path, trashedPath);
}
