#pragma once

#include "platform/RunningProgram.h"

#include <QStringList>

// A program that counts the requests to quit (and to remove what it added to the desktop)
// instead of doing them, started from a folder the test chooses (by default one outside the
// home: a system-wide install).
class RecordingProgram : public RunningProgram
{
public:
    QString executableFolder() const override { return folder; }
    Installation installation() const override { return how; }
    void quit() override { ++quits; }
    void removeDesktopIntegration() override { ++integrationRemovals; }
    void refreshInstalledLists(const QString& prefix) override { refreshed.append(prefix); }

    QString folder = QStringLiteral("/usr/bin");
    Installation how = Installation::byPackage;
    int quits = 0;
    int integrationRemovals = 0;
    QStringList refreshed;
};
