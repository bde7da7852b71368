#pragma once

#include "platform/RunningProgram.h"

// The program as the Qt application knows it.
class QtRunningProgram : public RunningProgram
{
public:
    QString executableFolder() const override;
    Installation installation() const override;
    // How `program` came to be there: listed by the package in `packageList` (dpkg's list of
    // the package's files), next to the build's CMakeCache.txt, or else copied by hand.
    static Installation installationOf(const QString& program, const QString& packageList);
    void quit() override;
    // The right-click actions of "File Manager Right-Click Menu…", wherever they are.
    void removeDesktopIntegration() override;
    // update-desktop-database, and gtk-update-icon-cache where a cache is there already.
    void refreshInstalledLists(const QString& prefix) override;
};
