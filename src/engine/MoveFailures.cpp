#include "engine/MoveFailures.h"

#include "platform/Wording.h"
#include "store/StorageFolders.h"

#include <QStringList>

#include <cerrno>

void MoveFailures::add(const QString& path, const Status& why)
{
    m_paths.append(path);
    m_reasons.append(why);
}

void MoveFailures::add(const MoveFailures& more)
{
    m_paths.append(more.m_paths);
    m_reasons.append(more.m_reasons);
}

QString MoveFailures::places() const
{
    QStringList folders;
    for (const QString& path : m_paths) {
        const QString folder = path.left(path.lastIndexOf(QLatin1Char('/')));
        if (!folders.contains(folder))
            folders.append(folder);
    }
    return folders.join(QStringLiteral(", "));
}

bool MoveFailures::acrossFileSystems() const
{
    for (const Status& reason : m_reasons) {
        if (reason.code() == EXDEV)
            return true;
    }
    return false;
}

TidoraError MoveFailures::error(qsizetype asked, const QString& verb, const QString& where,
                                const StorageFolders& folders) const
{
    // The same reason for a thousand files is said once; another file system is explained
    // once below, with the way out, instead of in each file's words.
    const bool across = acrossFileSystems();
    QStringList reasons;
    for (const Status& reason : m_reasons) {
        if (across && reason.code() == EXDEV)
            continue;
        QString text = reason.description().trimmed();
        while (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        if (!reasons.contains(text))
            reasons.append(text);
    }
    const qsizetype failed = m_reasons.size();
    QString text = QString::number(failed) + QStringLiteral(" of ") + QString::number(asked) +
                   (asked == 1 ? QStringLiteral(" file ") : QStringLiteral(" files ")) +
                   (failed == 1 ? QStringLiteral("was not ") : QStringLiteral("were not ")) + verb +
                   (failed == 1 ? QStringLiteral(". It is still in ")
                                : QStringLiteral(". They are still in ")) +
                   where +
                   (reasons.isEmpty() ? QString()
                                      : QStringLiteral(": ") + reasons.join(QStringLiteral("; "))) +
                   QLatin1Char('.');
    if (across) {
        const StorageLocation current = folders.currentStorageLocation();
        text += QStringLiteral(" The storage folder ") + folders.storageFolder() +
                QStringLiteral(" is on another file system than the Desktop, and Tidora moves "
                               "files, it never copies them. Choose \u201C") +
                label(otherLocation(current), folders.wording()) +
                QStringLiteral("\u201D under Keep Stacked Files In ") + folders.wording().inMenu +
                QLatin1Char('.');
    }
    return TidoraError{ErrorCode::filesNotMoved, text};
}
