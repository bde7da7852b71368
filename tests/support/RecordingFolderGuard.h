#pragma once

#include "platform/FolderGuard.h"

#include <QStringList>

// Remembers every protect and unprotect, as "protect <path>" / "unprotect <path>".
class RecordingFolderGuard : public FolderGuard
{
public:
    void protect(const QString& folder) override
    {
        calls.append(QStringLiteral("protect ") + folder);
    }
    void unprotect(const QString& folder) override
    {
        calls.append(QStringLiteral("unprotect ") + folder);
    }

    QStringList calls;
};
