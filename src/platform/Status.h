#pragma once

#include <QString>

// The outcome of a step that can fail, with the platform's description of why.
class Status
{
public:
    static Status success() { return Status(); }
    static Status failure(QString description) { return Status(std::move(description)); }

    bool isOk() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString& description() const { return m_description; }

private:
    Status() = default;
    explicit Status(QString description)
        : m_ok(false)
        , m_description(std::move(description))
    {}

    bool m_ok = true;
    QString m_description;
};
