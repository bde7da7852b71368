#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class TempHome;

// What the program has written in a home, read from outside: the stacks file as it is now
// (read with QJsonDocument, not with the program's own reader), the storage setting, and the
// files on the Desktop.
class StacksOnDisk
{
public:
    struct Stack
    {
        QString id;
        QString name;
        bool expanded = false;
        QStringList items;
    };

    explicit StacksOnDisk(const TempHome& home);

    QByteArray stacksJson() const;
    QList<Stack> stacks() const;
    QSet<QString> listedNames() const;
    // "documents" or "desktop".
    QString storageLocation() const;
    QString storageRoot() const;
    // Both places the storage folder can be.
    QStringList storageRoots() const;
    // Test files directly on the Desktop that no stack lists.
    QStringList looseFiles() const;
    // The Desktop folders that converted stacks became.
    QStringList convertedFolders() const;

private:
    const TempHome& m_home;
};
