#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <map>
#include <optional>

// A fresh home folder for one test: HOME and the XDG variables point into a temporary folder
// with an empty Desktop and Documents, so tests move real files and never touch the account
// they run under. The environment is restored when the object goes.
class TempHome
{
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString home() const { return m_home; }
    QString desktop() const { return m_home + QStringLiteral("/Desktop"); }
    QString documents() const { return m_home + QStringLiteral("/Documents"); }
    QString configRoot() const { return m_home + QStringLiteral("/.config"); }
    QString dataRoot() const { return m_home + QStringLiteral("/.local/share"); }
    QString runtimeFolder() const { return m_runtime; }
    QString trashFiles() const { return dataRoot() + QStringLiteral("/Trash/files"); }

    // Writes a file (creating its folders) and returns its path; path is relative to the home.
    QString write(const QString& relativePath, const QByteArray& content = QByteArray()) const;
    QString makeFolder(const QString& relativePath) const;
    static QByteArray read(const QString& path);

private:
    void setVariable(const char* name, const QString& value);

    QTemporaryDir m_dir;
    QString m_home;
    QString m_runtime;
    std::map<QByteArray, std::optional<QByteArray>> m_saved;
};
