#pragma once

#include <QString>

// The outcome of a step that can fail, with the platform's description of why.
class [[nodiscard]] Status
{
public:
    static Status success() { return Status(); }
    static Status failure(QString description, int code = 0)
    {
        return Status(std::move(description), code);
    }

    bool isOk() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString& description() const { return m_description; }
    // The system's error number when it gave one (EXDEV, EROFS, ENOSPC, …), else 0.
    int code() const { return m_code; }

private:
    Status() = default;
    Status(QString description, int code)
        : m_ok(false)
        , m_description(std::move(description))
        , m_code(code)
    {}

    bool m_ok = true;
    QString m_description;
    int m_code = 0;
};
