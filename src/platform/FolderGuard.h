#pragma once

#include <QString>

// Protects a storage or stack folder from being deleted by accident, and lifts that protection
// before the program itself moves or removes the folder. Neither call reports anything.
class FolderGuard
{
public:
    virtual ~FolderGuard() = default;

    virtual void protect(const QString& folder) = 0;
    virtual void unprotect(const QString& folder) = 0;
};
