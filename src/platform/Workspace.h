#pragma once

#include <QString>

// The desktop's own programs, for what the user asks to see.
class Workspace
{
public:
    virtual ~Workspace() = default;

    // Shows the folder in the user's file manager; false when nothing could be asked to.
    virtual bool openFolder(const QString& path) = 0;
};
