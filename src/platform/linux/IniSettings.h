#pragma once

#include "platform/Settings.h"

#include <QSettings>

// The user defaults in one ini file (~/.config/Tidora/Tidora.conf). The file is named
// explicitly rather than through QSettings' organisation lookup, which is fixed once per
// process and would ignore a changed home.
class IniSettings : public Settings
{
public:
    explicit IniSettings(const QString& fileName);
    static QString defaultFileName(const QString& configRoot);

    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;
    void removeAll() override;

    QString fileName() const { return m_settings.fileName(); }

private:
    mutable QSettings m_settings;
};
