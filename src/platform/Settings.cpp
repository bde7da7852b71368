#include "platform/Settings.h"

bool Settings::boolValue(const QString& key, bool fallback) const
{
    const QVariant stored = value(key);
    // Only a real Boolean counts; the ini format hands it back as the text "true"/"false".
    if (stored.typeId() == QMetaType::Bool)
        return stored.toBool();
    if (stored.typeId() == QMetaType::QString) {
        const QString text = stored.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
    }
    return fallback;
}
