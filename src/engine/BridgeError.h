#pragma once

#include <QString>

// The one error of the desktop bridge.
struct BridgeError
{
    // The AppleScript number of an Apple event that the user has not permitted.
    static constexpr qint64 notPermitted = -1743;

    // What went wrong; the text the user sees unless the code says otherwise.
    QString message;
    // The number the underlying program gave, or 0 when there is none.
    qint64 code = 0;

    // The title of the alert that shows this error.
    QString description() const;

    friend bool operator==(const BridgeError&, const BridgeError&) = default;
};
