#pragma once

#include <QString>

// An error the user is shown: domain "Tidorama", a small code and the text of the alert.
struct TidoraError
{
    static constexpr const char* domain = "Tidorama";

    int code = 0;
    QString description;
    // Shown below the description in plain type: why, when that takes more than a sentence.
    QString details;

    friend bool operator==(const TidoraError&, const TidoraError&) = default;
};

namespace ErrorCode {
inline constexpr int leftoverFiles = 1;
inline constexpr int uninstallBlocked = 2;
inline constexpr int storageFoldersMissing = 3;
inline constexpr int noStacksFolder = 4;
inline constexpr int launchReport = 5;
inline constexpr int storageMoveFailed = 6;
inline constexpr int notMovedIntoFolder = 7;
inline constexpr int notPutBack = 8;
inline constexpr int notMovedToBin = 9;
inline constexpr int filesNotMoved = 10;
inline constexpr int stacksNotSaved = 11;
} // namespace ErrorCode
