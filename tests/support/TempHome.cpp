#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempHome::TempHome()
    : m_home(QDir(m_dir.path()).canonicalPath())
{
    QDir root(m_home);
    root.mkpath(QStringLiteral("Desktop"));
    root.mkpath(QStringLiteral("Documents"));
    root.mkpath(QStringLiteral(".config"));
    root.mkpath(QStringLiteral(".local/share"));
    root.mkpath(QStringLiteral(".cache"));
    root.mkpath(QStringLiteral(".run"));
    m_runtime = m_home + QStringLiteral("/.run");
    QFile::setPermissions(m_runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    setVariable("HOME", m_home);
    setVariable("XDG_CONFIG_HOME", configRoot());
    setVariable("XDG_DATA_HOME", dataRoot());
    setVariable("XDG_CACHE_HOME", m_home + QStringLiteral("/.cache"));
    setVariable("XDG_STATE_HOME", m_home + QStringLiteral("/.local/state"));
    setVariable("XDG_RUNTIME_DIR", m_runtime);
}

TempHome::~TempHome()
{
    for (const auto& [name, value] : m_saved) {
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
}

void TempHome::setVariable(const char* name, const QString& value)
{
    if (!m_saved.count(name)) {
        m_saved[name] =
            qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    qputenv(name, QFile::encodeName(value));
}

QString TempHome::write(const QString& relativePath, const QByteArray& content) const
{
    const QString path = m_home + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

QString TempHome::makeFolder(const QString& relativePath) const
{
    const QString path = m_home + QLatin1Char('/') + relativePath;
    QDir().mkpath(path);
    return path;
}

QByteArray TempHome::read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
