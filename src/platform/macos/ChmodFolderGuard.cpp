#include "platform/macos/ChmodFolderGuard.h"

#include <QProcess>

ChmodFolderGuard::ChmodFolderGuard(QString program)
    : m_program(std::move(program))
{}

void ChmodFolderGuard::protect(const QString& folder)
{
    // Clear first, so the entry is never there twice.
    run({QStringLiteral("-N")}, folder);
    run({QStringLiteral("+a"), QStringLiteral("everyone deny delete")}, folder);
}

void ChmodFolderGuard::unprotect(const QString& folder)
{
    run({QStringLiteral("-N")}, folder);
}

void ChmodFolderGuard::run(QStringList arguments, const QString& folder)
{
    arguments.append(folder);
    QProcess process;
    process.setProgram(m_program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    // A program that cannot start is ignored; its exit status never matters.
    if (process.waitForStarted())
        process.waitForFinished(-1);
}
