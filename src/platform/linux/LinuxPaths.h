#pragma once

#include "platform/Paths.h"

// The XDG folders of the user running the program, read from the environment once.
class LinuxPaths : public Paths
{
public:
    LinuxPaths();

    QString home() const override { return m_home; }
    QString desktop() const override { return m_desktop; }
    QString documents() const override { return m_documents; }
    QString dataFolder() const override { return m_dataFolder; }
    QString configRoot() const override { return m_configRoot; }
    QString runtimeFolder() const override { return m_runtimeFolder; }

private:
    QString m_home;
    QString m_desktop;
    QString m_documents;
    QString m_dataFolder;
    QString m_configRoot;
    QString m_runtimeFolder;
};
