#pragma once

#include "platform/FolderGuard.h"

#include <QStringList>

// Protection by an access-control entry that denies everyone the right to delete the folder.
class ChmodFolderGuard : public FolderGuard
{
public:
    explicit ChmodFolderGuard(QString program = QStringLiteral("/bin/chmod"));

    void protect(const QString& folder) override;
    void unprotect(const QString& folder) override;

private:
    void run(QStringList arguments, const QString& folder);

    QString m_program;
};
