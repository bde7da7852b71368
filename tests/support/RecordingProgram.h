#pragma once

#include "platform/RunningProgram.h"

// A program that counts the requests to quit instead of quitting, started from a folder the
// test chooses (by default one outside the home: a system-wide install).
class RecordingProgram : public RunningProgram
{
public:
    QString executableFolder() const override { return folder; }
    void quit() override { ++quits; }

    QString folder = QStringLiteral("/usr/bin");
    int quits = 0;
};
