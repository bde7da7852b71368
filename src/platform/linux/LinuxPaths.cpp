#include "platform/linux/LinuxPaths.h"

#include <QDir>
#include <QStandardPaths>

LinuxPaths::LinuxPaths()
    : m_home(QDir::homePath())
    , m_desktop(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation))
    , m_documents(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
    , m_dataFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                   QStringLiteral("/Tidorama"))
    , m_configRoot(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
    , m_runtimeFolder(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
{}
