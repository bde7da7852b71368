#include "StacksOnDisk.h"

#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

QString storageFolderName(const QString& location)
{
    return location == QLatin1String("desktop") ? QStringLiteral("Desktop/Tidorama Files")
                                                : QStringLiteral("Documents/.Tidora");
}

} // namespace

StacksOnDisk::StacksOnDisk(const TempHome& home)
    : m_home(home)
{}

QStringList StacksOnDisk::storageRoots() const
{
    return {m_home.home() + QLatin1Char('/') + storageFolderName(QStringLiteral("documents")),
            m_home.home() + QLatin1Char('/') + storageFolderName(QStringLiteral("desktop"))};
}

QByteArray StacksOnDisk::stacksJson() const
{
    QFile file(m_home.dataRoot() + QStringLiteral("/Tidorama/stacks.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<StacksOnDisk::Stack> StacksOnDisk::stacks() const
{
    QList<Stack> all;
    for (const QJsonValue& value : QJsonDocument::fromJson(stacksJson()).array()) {
        const QJsonObject object = value.toObject();
        Stack stack;
        stack.id = object.value(QLatin1String("id")).toString();
        stack.name = object.value(QLatin1String("name")).toString();
        stack.expanded =
            object.value(QLatin1String("state")).toString() == QLatin1String("expanded");
        for (const QJsonValue& item : object.value(QLatin1String("items")).toArray())
            stack.items.append(item.toObject().value(QLatin1String("name")).toString());
        all.append(stack);
    }
    return all;
}

QString StacksOnDisk::storageLocation() const
{
    static const QRegularExpression setting(QStringLiteral("storageLocation=(\\w+)"));
    QFile file(m_home.configRoot() + QStringLiteral("/Tidora/Tidora.conf"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("documents");
    const QString found = setting.match(QString::fromUtf8(file.readAll())).captured(1);
    return found.isEmpty() ? QStringLiteral("documents") : found;
}

QString StacksOnDisk::storageRoot() const
{
    return m_home.home() + QLatin1Char('/') + storageFolderName(storageLocation());
}

QStringList StacksOnDisk::looseFiles() const
{
    const QSet<QString> listed = listedNames();
    QStringList loose;
    for (const QString& name : QDir(m_home.desktop()).entryList(QDir::Files)) {
        if (name.startsWith(QLatin1String("file ")) && !listed.contains(name))
            loose.append(name);
    }
    return loose;
}

QSet<QString> StacksOnDisk::listedNames() const
{
    QSet<QString> listed;
    for (const Stack& stack : stacks())
        listed.unite(QSet<QString>(stack.items.cbegin(), stack.items.cend()));
    return listed;
}

QStringList StacksOnDisk::convertedFolders() const
{
    return QDir(m_home.desktop()).entryList({QStringLiteral("TR_*")}, QDir::Dirs);
}
