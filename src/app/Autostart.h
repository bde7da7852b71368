#pragma once

#include <QString>

// Opening at login through the XDG autostart entry ~/.config/autostart/tidora.desktop, the
// desktops' counterpart of a login item. The entry counts as enabled when it is there and not
// switched off: Hidden=true, X-GNOME-Autostart-enabled=false or X-MATE-Autostart-enabled=false,
// as the desktops' session settings write it. The user's "off" is never written back on.
class Autostart
{
public:
    // `program`: the absolute path the entry starts.
    Autostart(const QString& configRoot, QString program);

    QString entryPath() const { return m_entryPath; }
    bool isEnabled() const;
    // Writes the entry, replacing whatever is there. False with the reason otherwise.
    bool enable(QString* error);
    // The start-up step: the entry is written only when there is none; a failure is logged
    // ("Tidorama: launch at login failed: …") and start-up goes on.
    void registerAtLaunch();

    // The entry's text for a program path.
    static QByteArray entryText(const QString& program);
    // A path as one Exec= argument: quoted where the desktop entry rules need it.
    static QString execArgument(const QString& program);

private:
    QString m_entryPath;
    QString m_program;
};
