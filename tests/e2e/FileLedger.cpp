#include "FileLedger.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <dirent.h>
#include <sys/stat.h>

namespace {

QByteArray hashOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("unreadable");
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QString fileName(const QString& path)
{
    return path.section(QLatin1Char('/'), -1);
}

} // namespace

FileLedger::FileLedger(QString desktop, QStringList otherRoots, QStringList storageRoots,
                       QString bait)
    : m_desktop(desktop)
    , m_roots(QStringList{desktop} + otherRoots)
    , m_storageRoots(std::move(storageRoots))
    , m_bait(std::move(bait))
{}

void FileLedger::addFile(const QString& path, quint32 salt)
{
    // Sizes from a few bytes to a few kilobytes; the first line makes the contents unique.
    QByteArray body =
        QByteArray("file ") + QFile::encodeName(path) + ' ' + QByteArray::number(salt) + '\n';
    body += QByteArray(int(salt % 4096), char('a' + salt % 26));
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size())
        qFatal("cannot write %s", qPrintable(path));
    file.close();
    struct stat info
    {};
    ::stat(QFile::encodeName(path).constData(), &info);
    m_tracked.insert(info.st_ino, Tracked{fileName(path), QCryptographicHash::hash(
                                                              body, QCryptographicHash::Sha256)});
}

QString FileLedger::trackedName(const QString& path) const
{
    struct stat info
    {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 ||
        !m_tracked.contains(info.st_ino))
        return fileName(path);
    return m_tracked.value(info.st_ino).name;
}

void FileLedger::recordBait()
{
    m_baitState = baitState();
}

QMap<QString, QByteArray> FileLedger::baitState() const
{
    QMap<QString, QByteArray> state;
    QDirIterator it(m_bait, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info
        {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        QByteArray key = QByteArray::number(qulonglong(info.st_ino)) + ' ' +
                         QByteArray::number(info.st_mode) + ' ' +
                         QByteArray::number(qlonglong(info.st_mtim.tv_sec)) + '.' +
                         QByteArray::number(qlonglong(info.st_mtim.tv_nsec));
        if (S_ISREG(info.st_mode))
            key += ' ' + hashOf(path).toHex();
        state.insert(path, key);
    }
    return state;
}

void FileLedger::scan(const QString& folder, QHash<ino_t, QStringList>* found,
                      QHash<QByteArray, QStringList>* byHash, bool hashAll) const
{
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QString path = folder + QLatin1Char('/') + QFile::decodeName(name);
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat info
            {};
            ::lstat(QFile::encodeName(path).constData(), &info);
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_LNK;
        }
        if (type == DT_DIR) {
            scan(path, found, byHash, hashAll);
        } else if (type == DT_REG) {
            (*found)[entry->d_ino].append(path);
            if (byHash && (hashAll || m_tracked.contains(entry->d_ino)))
                (*byHash)[hashOf(path)].append(path);
        }
    }
    ::closedir(dir);
}

QHash<ino_t, QString> FileLedger::locate() const
{
    QHash<ino_t, QStringList> found;
    for (const QString& root : m_roots)
        scan(root, &found, nullptr, false);
    QHash<ino_t, QString> where;
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        if (m_tracked.contains(it.key()))
            where.insert(it.key(), it.value().first());
    }
    return where;
}

int FileLedger::movedSince(const QHash<ino_t, QString>& before) const
{
    const QHash<ino_t, QString> now = locate();
    int moved = 0;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (now.value(it.key()) != it.value())
            ++moved;
    }
    return moved;
}

QStringList FileLedger::check(const QByteArray& stacksJson, const QString& storageRoot,
                              Counts* counts) const
{
    QHash<ino_t, QStringList> found;
    QHash<QByteArray, QStringList> byHash;
    for (const QString& root : m_roots)
        scan(root, &found, &byHash, true);

    QStringList broken;
    QHash<ino_t, QString> where;
    for (auto it = m_tracked.cbegin(); it != m_tracked.cend(); ++it) {
        const Tracked& file = it.value();
        const QStringList paths = found.value(it.key());
        const QStringList sameBytes = byHash.value(file.hash);
        if (paths.isEmpty()) {
            if (sameBytes.isEmpty()) {
                ++counts->lost;
                broken << QStringLiteral("lost: ") + file.name;
            } else {
                ++counts->changed;
                broken << QStringLiteral("replaced by a copy with another inode: ") +
                              sameBytes.join(QStringLiteral(", "));
            }
            continue;
        }
        where.insert(it.key(), paths.first());
        if (paths.size() > 1 || sameBytes.size() > 1) {
            ++counts->duplicated;
            QStringList all = paths + sameBytes;
            all.removeDuplicates();
            broken << QStringLiteral("duplicated: ") + all.join(QStringLiteral(", "));
        }
        const bool mayRename = !m_renamesAllowedIn.isEmpty() &&
                               paths.first().startsWith(m_renamesAllowedIn + QLatin1Char('/'));
        if (fileName(paths.first()) != file.name && !mayRename) {
            ++counts->renamed;
            broken << QStringLiteral("renamed: ") + file.name + QStringLiteral(" -> ") +
                          paths.first();
        }
        if (hashOf(paths.first()) != file.hash) {
            ++counts->changed;
            broken << QStringLiteral("bytes changed: ") + paths.first();
        }
    }
    if (baitState() != m_baitState) {
        ++counts->baitTouched;
        broken << QStringLiteral("the bait folder outside the home changed: ") + m_bait;
    }
    broken += recordViolations(stacksJson, storageRoot, where, &counts->inconsistent);
    return broken;
}

QStringList FileLedger::recordViolations(const QByteArray& stacksJson, const QString& storageRoot,
                                         const QHash<ino_t, QString>& where,
                                         int* inconsistent) const
{
    QHash<QString, QString> pathByName;
    for (auto it = where.cbegin(); it != where.cend(); ++it)
        pathByName.insert(fileName(it.value()), it.value());

    QStringList broken;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(stacksJson, &error);
    if (!stacksJson.isEmpty() && !document.isArray()) {
        ++*inconsistent;
        return {QStringLiteral("the stacks file does not decode: ") + error.errorString()};
    }
    QHash<QString, QString> recordOf;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject stack = value.toObject();
        const QString id = stack.value(QLatin1String("id")).toString();
        const QString state = stack.value(QLatin1String("state")).toString();
        const QString folder = stack.value(QLatin1String("folderName")).toString();
        const QString label = QStringLiteral("stack \u201C%1\u201D (%2, %3)")
                                  .arg(stack.value(QLatin1String("name")).toString(), state, id);
        QStringList wrong;
        for (const QJsonValue& itemValue : stack.value(QLatin1String("items")).toArray()) {
            const QString name = itemValue.toObject().value(QLatin1String("name")).toString();
            if (recordOf.contains(name) && recordOf.value(name) != id)
                wrong << name + QStringLiteral(" is also an item of ") + recordOf.value(name);
            recordOf.insert(name, id);
            const QString place = state == QLatin1String("expanded")
                                      ? m_desktop
                                      : QString(storageRoot + QLatin1Char('/') + folder);
            const QString expected = place + QLatin1Char('/') + name;
            const QString actual = pathByName.value(name);
            if (actual != expected)
                wrong << name + QStringLiteral(" is at ") +
                             (actual.isEmpty() ? QStringLiteral("(nowhere)") : actual);
        }
        if (!wrong.isEmpty()) {
            ++*inconsistent;
            broken << label + QStringLiteral(": ") + QString::number(wrong.size()) +
                          QStringLiteral(" wrong, e.g. ") +
                          wrong.mid(0, 3).join(QStringLiteral("; "));
        }
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
        ++*inconsistent;
        hidden.sort();
        broken << QString::number(hidden.size()) +
                      QStringLiteral(" files in a storage folder that no stack lists, e.g. ") +
                      hidden.mid(0, 3).join(QStringLiteral(", "));
    }
    return broken;
}

void FileLedger::rebase()
{
    QHash<ino_t, QStringList> found;
    for (const QString& root : m_roots)
        scan(root, &found, nullptr, false);
    QHash<ino_t, Tracked> now;
    for (auto it = m_tracked.cbegin(); it != m_tracked.cend(); ++it) {
        const QStringList paths = found.value(it.key());
        if (!paths.isEmpty())
            now.insert(it.key(), Tracked{fileName(paths.first()), hashOf(paths.first())});
    }
    m_tracked = now;
    m_baitState = baitState();
}

QStringList FileLedger::summary(const QStringList& broken)
{
    static const QStringList kinds{QStringLiteral("lost"), QStringLiteral("duplicated"),
                                   QStringLiteral("renamed"), QStringLiteral("bytes changed"),
                                   QStringLiteral("replaced by a copy with another inode")};
    QStringList lines;
    for (const QString& kind : kinds) {
        QStringList files;
        for (const QString& line : broken) {
            if (line.startsWith(kind + QStringLiteral(": ")))
                files.append(line.mid(kind.size() + 2));
        }
        if (!files.isEmpty())
            lines << QStringLiteral("%1 %2, e.g. %3")
                         .arg(kind)
                         .arg(files.size())
                         .arg(files.mid(0, 3).join(QStringLiteral("; ")));
    }
    for (const QString& line : broken) {
        if (std::none_of(kinds.cbegin(), kinds.cend(),
                         [&](const QString& kind) { return line.startsWith(kind + u": "); }))
            lines << line;
    }
    return lines;
}
