#include "store/StorageRelocation.h"

#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/Settings.h"
#include "store/ItemPlaces.h"
#include "store/StorageFolders.h"
#include "store/StoreLog.h"

#include <QHash>

StorageRelocation::StorageRelocation(StorageFolders& folders, Settings& settings,
                                     FileSystem& fileSystem, Bookmarks& bookmarks)
    : m_folders(folders)
    , m_settings(settings)
    , m_fileSystem(fileSystem)
    , m_bookmarks(bookmarks)
{}

QStringList StorageRelocation::entriesToMove(StorageLocation from) const
{
    const QString folder = m_folders.storageFolder(from);
    const std::optional<Listing> listing = m_fileSystem.list(folder);
    if (!listing)
        return {};
    // A name that is not valid UTF-8 cannot be moved by name; it stays, and keeps the old
    // folder in place.
    if (listing->unnamed > 0)
        qCWarning(lcStore).noquote()
            << QStringLiteral("Tidorama: %1 entries with unreadable names stay in %2")
                   .arg(listing->unnamed)
                   .arg(folder);
    QStringList entries;
    for (const QString& name : listing->names) {
        if (!StorageFolders::isIgnoredName(name))
            entries.append(name);
    }
    return entries;
}

Alert StorageRelocation::confirmation(const QList<DesktopStack>& stacks, StorageLocation from,
                                      StorageLocation to) const
{
    qsizetype gathered = 0;
    for (const DesktopStack& stack : stacks) {
        if (stack.state == StackState::collapsed && !stack.items.isEmpty())
            ++gathered;
    }
    Alert alert;
    alert.style = Alert::Style::Warning;
    alert.message =
        QStringLiteral("Move stacked files to ") + m_folders.label(to).toLower() + QLatin1Char('?');
    alert.informativeText =
        QStringLiteral("The files of ") +
        (gathered == 1 ? QStringLiteral("1 stack")
                       : QString::number(gathered) + QStringLiteral(" stacks")) +
        QStringLiteral(" move from ") + m_folders.displayPath(from) + QStringLiteral(" to ") +
        m_folders.displayPath(to) + QStringLiteral(". They are moved, not copied.");
    if (to == StorageLocation::desktop)
        alert.informativeText += QStringLiteral("\n\nThe folder appears on your Desktop. Leave it "
                                                "there: it's where stacked files are kept now.");
    alert.buttons = {QStringLiteral("Move"), QStringLiteral("Cancel")};
    alert.defaultButton = 0;
    return alert;
}

StorageRelocation::Outcome StorageRelocation::relocate(const QList<DesktopStack>& stacks,
                                                       StorageLocation from, StorageLocation to,
                                                       const QStringList& entries)
{
    // From here on every path (unique names, the README) is the new folder's.
    m_settings.setValue(SettingsKey::storageLocation, rawValue(to));
    if (entries.isEmpty())
        return Outcome{stacks, std::nullopt};
    if (const Status made = m_folders.ensureStorageFolder(); !made)
        return Outcome{std::nullopt, revertStorageMove({}, from, to, made.description())};

    const QString oldFolder = m_folders.storageFolder(from) + QLatin1Char('/');
    const QString newFolder = m_folders.storageFolder(to) + QLatin1Char('/');
    QList<StorageMove> moves;
    QHash<QString, QString> renamed;
    for (const QString& entry : entries) {
        const QString source = oldFolder + entry;
        m_folders.unprotectFolder(source);
        const QString target = m_folders.uniqueFolderName(entry);
        const QString destination = newFolder + target;
        if (const Status moved = m_fileSystem.move(source, destination); !moved) {
            m_folders.protectFolder(source);
            return Outcome{std::nullopt, revertStorageMove(moves, from, to, moved.description())};
        }
        m_folders.protectFolder(destination);
        moves.append(StorageMove{source, destination});
        renamed.insert(entry, target);
    }

    QList<DesktopStack> updated = stacks;
    ItemPlaces places(m_folders, m_fileSystem);
    for (DesktopStack& stack : updated) {
        if (stack.folderName) {
            if (const auto target = renamed.constFind(*stack.folderName); target != renamed.cend())
                stack.folderName = *target;
        }
        for (StackItem& item : stack.items) {
            const std::optional<QString> path = m_bookmarks.resolve(item.bookmark);
            if (!path || !places.admits(stack, *path))
                continue;
            if (std::optional<QByteArray> fresh = m_bookmarks.make(*path))
                item.bookmark = std::move(*fresh);
        }
    }
    const QString old = m_folders.storageFolder(from);
    if (m_folders.isEffectivelyEmpty(old))
        m_folders.removeFolder(old);
    return Outcome{std::move(updated), std::nullopt};
}

TidoraError StorageRelocation::revertStorageMove(const QList<StorageMove>& moves,
                                                 StorageLocation from, StorageLocation to,
                                                 const QString& reason)
{
    for (auto move = moves.crbegin(); move != moves.crend(); ++move) {
        m_folders.unprotectFolder(move->to);
        const Status back = m_fileSystem.move(move->to, move->from);
        if (!back)
            qCWarning(lcStore).noquote() << QStringLiteral("Tidorama: could not move ") + move->to +
                                                QStringLiteral(": ") + back.description();
        // Protected wherever it is now.
        m_folders.protectFolder(back ? move->from : move->to);
    }
    const QString newFolder = m_folders.storageFolder(to);
    if (m_fileSystem.exists(newFolder) && m_folders.isEffectivelyEmpty(newFolder))
        m_folders.removeFolder(newFolder);
    m_settings.setValue(SettingsKey::storageLocation, rawValue(from));
    return TidoraError{ErrorCode::storageMoveFailed,
                       QStringLiteral("Stacked files couldn't be moved to ") +
                           m_folders.displayPath(to) + QStringLiteral(", so they stay in ") +
                           m_folders.displayPath(from) + QStringLiteral(". ") + reason};
}
