#pragma once

#include <QString>

// The user's folders. Each is looked up once, when the object is made, and then fixed for its
// lifetime, so a later change of the environment does not move the Desktop under our feet.
class Paths
{
public:
    virtual ~Paths() = default;

    virtual QString home() const = 0;
    virtual QString desktop() const = 0;
    virtual QString documents() const = 0;
    // Where the stacks file lives (…/Tidorama); not created here.
    virtual QString dataFolder() const = 0;
    // The per-user configuration root (XDG_CONFIG_HOME): settings, autostart entry.
    virtual QString configRoot() const = 0;
    // The per-user runtime folder (XDG_RUNTIME_DIR): sockets, the selection hand-over.
    virtual QString runtimeFolder() const = 0;

    // A path as the user reads it: the home folder written as "~".
    QString displayPath(const QString& path) const;
};
