#pragma once

#include "platform/FolderGuard.h"

// Linux has no access-control entry that an unprivileged user can set to stop a folder being
// deleted, so the calls stay in place and do nothing here.
class NullFolderGuard : public FolderGuard
{
public:
    void protect(const QString&) override {}
    void unprotect(const QString&) override {}
};
