#pragma once

#include <QStringList>

// Collects the log lines written while it lives (and still lets them through to the console
// when TIDORA_TEST_VERBOSE is set).
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const QStringList& lines() const;
    bool contains(const QString& text) const;
    // Lines that begin with `prefix`.
    QStringList startingWith(const QString& prefix) const;
    void clear();
};
