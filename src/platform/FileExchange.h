#pragma once

#include <QString>

// Swaps two names in one folder in a single step: each then names the other's file. Used to put
// a rewritten file in place while keeping the one it replaces for the next rewrite, so that
// neither a file nor its disk space is made or freed.
class FileExchange
{
public:
    enum class Outcome {
        exchanged,
        // The system or this file system cannot swap names; nothing was changed.
        unsupported,
        // It can, but this swap failed (a name is missing, no permission…); nothing was changed.
        failed,
    };

    struct [[nodiscard]] Result
    {
        Outcome outcome;
        QString error;
    };

    static Result exchange(const QString& first, const QString& second);
};
