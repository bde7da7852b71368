#pragma once

#include "platform/Workspace.h"

// Opens folders through the desktop's default file manager (xdg-open and the portals).
class QtWorkspace : public Workspace
{
public:
    bool openFolder(const QString& path) override;
};
