#pragma once

#include <QProcess>
#include <QRect>

#include <optional>

// A tray at the bottom right of the screen (trayer) for the program's icon.
class TrayHost
{
public:
    TrayHost() = default;
    ~TrayHost() { stop(); }
    TrayHost(const TrayHost&) = delete;
    TrayHost& operator=(const TrayHost&) = delete;

    bool start();
    void stop();
    // The program's icon as the tray embedded it: its one small window.
    std::optional<QRect> waitForIcon() const;

private:
    QProcess m_process;
};
