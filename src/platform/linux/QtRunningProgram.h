#pragma once

#include "platform/RunningProgram.h"

// The program as the Qt application knows it.
class QtRunningProgram : public RunningProgram
{
public:
    QString executableFolder() const override;
    void quit() override;
};
