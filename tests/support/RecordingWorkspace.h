#pragma once

#include "platform/Workspace.h"

#include <QStringList>

// Remembers every folder it was asked to open.
class RecordingWorkspace : public Workspace
{
public:
    bool openFolder(const QString& path) override
    {
        opened.append(path);
        return answer;
    }

    QStringList opened;
    bool answer = true;
};
