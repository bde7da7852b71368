#include "FaultyFileSystem.h"

#include <QFileInfo>

#include <cstring>

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
    m_error = 0;
}

Status FaultyFileSystem::injectedFailure()
{
    ++failures;
    if (m_error == 0)
        return Status::failure(injected);
    return Status::failure(QString::fromLocal8Bit(std::strerror(m_error)), m_error);
}

Status FaultyFileSystem::move(const QString& from, const QString& to)
{
    ++moves;
    if (m_failMove && m_failMove(from, to))
        return injectedFailure();
    return LocalFileSystem::move(from, to);
}

Status FaultyFileSystem::makeFolder(const QString& path, bool withParents)
{
    if (m_failMakeFolder && m_failMakeFolder(path))
        return injectedFailure();
    return LocalFileSystem::makeFolder(path, withParents);
}

Status FaultyFileSystem::moveToTrash(const QString& path, QString* trashedPath)
{
    if (m_failTrash && m_failTrash(path))
        return injectedFailure();
    return LocalFileSystem::moveToTrash(path, trashedPath);
}
