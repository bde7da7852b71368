#pragma once

#include <QString>
#include <QVariant>

// The user defaults. Values are read afresh on every call: nothing above this layer caches them.
class Settings
{
public:
    virtual ~Settings() = default;

    // An invalid QVariant when the key is missing.
    virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
    // Forgets every key and removes the persisted file itself (uninstalling).
    virtual void removeAll() = 0;

    bool boolValue(const QString& key, bool fallback) const;
};

namespace SettingsKey {
inline const QString storageLocation = QStringLiteral("storageLocation");
inline const QString acknowledgedHiddenStorage = QStringLiteral("acknowledgedHiddenStorage");
inline const QString shakeToStackEnabled = QStringLiteral("ShakeToStackEnabled");
// Forces one desktop-icon program backend instead of detecting it ("caja", "nemo", …, "none").
inline const QString desktopBackend = QStringLiteral("desktopBackend");
} // namespace SettingsKey
