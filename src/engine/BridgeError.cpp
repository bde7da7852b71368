#include "engine/BridgeError.h"

QString BridgeError::description() const
{
    if (code == notPermitted) {
        return QStringLiteral("Tidora isn't allowed to control Finder. Turn it on in System "
                              "Settings \u2192 Privacy & Security \u2192 Automation.");
    }
    return message;
}
