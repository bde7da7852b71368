#pragma once

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

// A file system mounted for one test and taken away after. Needs root where mounting is
// allowed at all (most containers refuse it): tests skip when it fails.
class ScratchMount
{
public:
    // `type` "tmpfs" is one GLib counts as the system's own (it never trashes there); "ramfs"
    // is not. Neither is a source named "none", hence the name.
    ScratchMount(const QString& where, const char* type)
        : m_where(QFile::encodeName(where))
    {
        m_mounted = ::mount("tidora-test", m_where.constData(), type, 0, nullptr) == 0;
        m_error = m_mounted ? 0 : errno;
    }
    ~ScratchMount()
    {
        if (m_mounted)
            ::umount2(m_where.constData(), MNT_DETACH);
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool isMounted() const { return m_mounted; }
    QString error() const { return QString::fromLocal8Bit(std::strerror(m_error)); }

private:
    QByteArray m_where;
    bool m_mounted = false;
    int m_error = 0;
};
