#pragma once

#include "platform/Settings.h"

#include <QVariantMap>

// User defaults kept in memory.
class MemorySettings : public Settings
{
public:
    QVariant value(const QString& key) const override { return m_values.value(key); }
    void setValue(const QString& key, const QVariant& value) override
    {
        m_values.insert(key, value);
    }
    void remove(const QString& key) override { m_values.remove(key); }
    void removeAll() override
    {
        m_values.clear();
        m_removedAll = true;
    }

    bool removedAll() const { return m_removedAll; }
    const QVariantMap& values() const { return m_values; }

private:
    QVariantMap m_values;
    bool m_removedAll = false;
};
