#pragma once

#include "platform/RunningProgram.h"

// The program as the Qt application knows it.
class QtRunningProgram : public RunningProgram
{
public:
    QString executableFolder() const override;
    void quit() override;
    // The right-click actions of "File Manager Right-Click Menu…", wherever they are.
    void removeDesktopIntegration() override;
};
