#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <glib.h>

// GLib reads HOME and the XDG folders once per process, and GIO's Trash follows what it read:
// without this, every test home after the first would trash into the first one. GLib's own
// test isolation sets them so; the call is exported but declared in a private header.
extern "C" void g_set_user_dirs(const gchar* first_dir_type, ...) G_GNUC_NULL_TERMINATED;

namespace {

// What GLib would read now from the environment.
void tellGLib()
{
    const QByteArray home =
        qEnvironmentVariableIsEmpty("HOME") ? QFile::encodeName(QDir::homePath()) : qgetenv("HOME");
    const auto folder = [&home](const char* name, const char* fallback) {
        return qEnvironmentVariableIsEmpty(name) ? home + fallback : qgetenv(name);
    };
    const QByteArray data = folder("XDG_DATA_HOME", "/.local/share");
    const QByteArray config = folder("XDG_CONFIG_HOME", "/.config");
    const QByteArray cache = folder("XDG_CACHE_HOME", "/.cache");
    const QByteArray state = folder("XDG_STATE_HOME", "/.local/state");
    g_set_user_dirs("HOME", home.constData(), "XDG_DATA_HOME", data.constData(), "XDG_CONFIG_HOME",
                    config.constData(), "XDG_CACHE_HOME", cache.constData(), "XDG_STATE_HOME",
                    state.constData(), nullptr);
}

} // namespace

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
    tellGLib();
}

TempHome::~TempHome()
{
    for (const auto& [name, value] : m_saved) {
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
    tellGLib();
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
