#include "FileLedger.h"

#include "TempHome.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

#include <dirent.h>
#include <sys/stat.h>

namespace {

QString fileName(const QString& path)
{
    return path.section(QLatin1Char('/'), -1);
}

ino_t inodeOf(const QString& path)
{
    struct stat info
    {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// Only readdir: polled while files move, the scan must not slow the kill down.
void scan(const QString& folder, QSet<QString>* found)
{
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QString path = folder + QLatin1Char('/') + QFile::decodeName(name);
        const QFileInfo info(path);
        if (entry->d_type == DT_DIR ||
            (entry->d_type == DT_UNKNOWN && info.isDir() && !info.isSymLink()))
            scan(path, found);
        else
            found->insert(path);
    }
    ::closedir(dir);
}

} // namespace

FileLedger::Counts& FileLedger::Counts::operator+=(const Counts& other)
{
    lost += other.lost;
    duplicated += other.duplicated;
    renamed += other.renamed;
    changed += other.changed;
    inconsistent += other.inconsistent;
    baitTouched += other.baitTouched;
    return *this;
}

FileLedger::FileLedger(const TempHome& home, QStringList storageRoots)
    : m_home(home)
    , m_invariant(home)
    , m_roots{home.desktop(), home.documents() + QStringLiteral("/.Tidora"), home.trashFiles()}
    , m_storageRoots(std::move(storageRoots))
{
    m_invariant.allowTrash();
}

void FileLedger::addFile(const QString& name, quint32 salt)
{
    // Sizes from a few bytes to a few kilobytes; the first line makes the contents unique.
    const QByteArray body = "file " + name.toUtf8() + ' ' + QByteArray::number(salt) + '\n' +
                            QByteArray(int(salt % 4096), char('a' + salt % 26));
    const QString path = m_invariant.addFile(QStringLiteral("Desktop/") + name, body);
    m_inodes.insert(path, inodeOf(path));
}

QHash<QString, QString> FileLedger::originalNames() const
{
    const QHash<QString, QString> where = m_invariant.locations();
    QHash<QString, QString> names;
    for (auto it = where.cbegin(); it != where.cend(); ++it)
        names.insert(it.value(), fileName(it.key()));
    return names;
}

QSet<QString> FileLedger::locate() const
{
    QSet<QString> found;
    for (const QString& root : m_roots)
        scan(root, &found);
    return found;
}

int FileLedger::movedSince(const QSet<QString>& before) const
{
    return int(QSet<QString>(before).subtract(locate()).size());
}

QStringList FileLedger::check(const QByteArray& stacksJson, const QString& storageRoot) const
{
    QStringList broken = m_invariant.violations();
    const QHash<QString, QString> where = m_invariant.locations();
    for (auto it = where.cbegin(); it != where.cend(); ++it) {
        if (fileName(it.value()) != fileName(it.key()) &&
            !it.value().startsWith(m_home.trashFiles() + QLatin1Char('/')))
            broken << QStringLiteral("renamed: ") + fileName(it.key()) + QStringLiteral(" -> ") +
                          it.value();
        if (inodeOf(it.value()) != m_inodes.value(it.key()))
            broken << QStringLiteral("replaced by a copy with another inode: ") + it.value();
    }
    return broken + recordViolations(stacksJson, storageRoot, where);
}

QStringList FileLedger::recordViolations(const QByteArray& stacksJson, const QString& storageRoot,
                                         const QHash<QString, QString>& where) const
{
    QHash<QString, QString> pathByName;
    for (const QString& path : where)
        pathByName.insert(fileName(path), path);

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(stacksJson, &error);
    if (!stacksJson.isEmpty() && !document.isArray())
        return {QStringLiteral("the stacks file does not decode: ") + error.errorString()};
    QStringList broken;
    QHash<QString, QString> recordOf;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject stack = value.toObject();
        const QString id = stack.value(QLatin1String("id")).toString();
        const QString state = stack.value(QLatin1String("state")).toString();
        const QString place = state == QLatin1String("expanded")
                                  ? m_home.desktop()
                                  : storageRoot + QLatin1Char('/') +
                                        stack.value(QLatin1String("folderName")).toString();
        QStringList wrong;
        for (const QJsonValue& item : stack.value(QLatin1String("items")).toArray()) {
            const QString name = item.toObject().value(QLatin1String("name")).toString();
            if (recordOf.contains(name) && recordOf.value(name) != id)
                wrong << name + QStringLiteral(" is also an item of ") + recordOf.value(name);
            recordOf.insert(name, id);
            const QString actual = pathByName.value(name);
            if (actual != place + QLatin1Char('/') + name)
                wrong << name + QStringLiteral(" is at ") +
                             (actual.isEmpty() ? QStringLiteral("(nowhere)") : actual);
        }
        if (!wrong.isEmpty())
            broken << QStringLiteral("stack \u201C%1\u201D (%2, %3): %4 wrong, e.g. %5")
                          .arg(stack.value(QLatin1String("name")).toString(), state, id)
                          .arg(wrong.size())
                          .arg(wrong.mid(0, 3).join(QStringLiteral("; ")));
    }
    // A file in a storage folder that no stack lists is out of the user's sight.
    QStringList hidden;
    for (auto it = pathByName.cbegin(); it != pathByName.cend(); ++it) {
        const bool inStorage =
            std::any_of(m_storageRoots.cbegin(), m_storageRoots.cend(), [&](const QString& root) {
                return it.value().startsWith(root + QLatin1Char('/'));
            });
        if (inStorage && !recordOf.contains(it.key()))
            hidden << it.value();
    }
    if (!hidden.isEmpty()) {
        hidden.sort();
        broken << QStringLiteral("%1 files in a storage folder that no stack lists, e.g. %2")
                      .arg(hidden.size())
                      .arg(hidden.mid(0, 3).join(QStringLiteral(", ")));
    }
    return broken;
}

FileLedger::Counts FileLedger::tally(const QStringList& broken)
{
    Counts counts;
    for (const QString& line : broken) {
        if (line.startsWith(QLatin1String("lost: ")))
            ++counts.lost;
        else if (line.startsWith(QLatin1String("copied: ")))
            ++counts.duplicated;
        else if (line.startsWith(QLatin1String("renamed: ")))
            ++counts.renamed;
        else if (line.startsWith(QLatin1String("replaced by")))
            ++counts.changed;
        else if (line.contains(QLatin1String("outside the allowed places")))
            ++counts.baitTouched;
        else
            ++counts.inconsistent;
    }
    return counts;
}
