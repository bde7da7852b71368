#include "platform/linux/IniSettings.h"

#include <QFile>

IniSettings::IniSettings(const QString& fileName)
    : m_settings(fileName, QSettings::IniFormat)
{}

QString IniSettings::defaultFileName(const QString& configRoot)
{
    return configRoot + QStringLiteral("/Tidora/Tidora.conf");
}

QVariant IniSettings::value(const QString& key) const
{
    // Another copy of the program, or the user, may have changed the file meanwhile.
    m_settings.sync();
    return m_settings.value(key);
}

void IniSettings::setValue(const QString& key, const QVariant& value)
{
    m_settings.setValue(key, value);
    m_settings.sync();
}

void IniSettings::remove(const QString& key)
{
    m_settings.remove(key);
    m_settings.sync();
}

void IniSettings::removeAll()
{
    m_settings.clear();
    m_settings.sync();
    QFile::remove(m_settings.fileName());
}
