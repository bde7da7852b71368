#include "operations/ConversionUndo.h"

#include "engine/DesktopBridge.h"
#include "engine/FolderNames.h"
#include "engine/StackFiles.h"
#include "engine/StackRecords.h"
#include "engine/StackWindows.h"
#include "operations/FolderConversion.h"
#include "operations/OperationsLog.h"
#include "operations/RunAsWork.h"
#include "operations/UndoState.h"
#include "platform/Alerts.h"
#include "platform/Bookmarks.h"
#include "platform/FileSystem.h"
#include "platform/TidoraError.h"
#include "store/QuotedList.h"
#include "store/StorageFolders.h"

#include <QFileInfo>
#include <QPointer>
#include <QSet>

namespace {

const QString dsStore = QStringLiteral(".DS_Store");

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

// Deletes the converted folder when nothing but ".DS_Store" is in it (or it cannot be listed):
// those entries go, then the folder if it is empty by then. Never recursive.
void deleteIfEmpty(FileSystem& fs, const QString& folder)
{
    if (const std::optional<Listing> listing = fs.list(folder)) {
        if (listing->unnamed > 0)
            return;
        for (const QString& name : listing->names) {
            if (name != dsStore)
                return;
        }
        const QString path = folder + QLatin1Char('/') + dsStore;
        if (fs.exists(path) && !fs.isDirectory(path))
            (void)fs.removeFile(path);
    }
    (void)fs.removeEmptyFolder(folder);
}

} // namespace

// What undoing the batch collects across its conversions.
struct ConversionUndo::Report
{
    QStringList missingNames;
    QList<NamedPosition> placements;
};

ConversionUndo::ConversionUndo(StackRecords& records, StackWindows& windows,
                               const StackFiles& files, StorageFolders& folders,
                               FileSystem& fileSystem, Bookmarks& bookmarks, DesktopBridge& desktop,
                               Alerts& alerts, Scheduler& scheduler, UndoState& state,
                               FolderConversion& conversion, QObject& context)
    : m_records(records)
    , m_windows(windows)
    , m_files(files)
    , m_folders(folders)
    , m_fileSystem(fileSystem)
    , m_bookmarks(bookmarks)
    , m_desktop(desktop)
    , m_alerts(alerts)
    , m_scheduler(scheduler)
    , m_state(state)
    , m_conversion(conversion)
    , m_context(context)
{}

// A stack that comes back must not share a folder with a stack made since it was converted,
// gathered or spread alike: a spread one makes its folder again when it is gathered.
void ConversionUndo::chooseFolderName(DesktopStack& target) const
{
    const QSet<QString> claimed = folderNames(m_records.all());
    const bool taken = target.folderName && claimed.contains(*target.folderName);
    const bool missing = target.state == StackState::collapsed && !target.folderName;
    if (taken || missing)
        target.folderName = m_folders.uniqueFolderName(target.name, claimed);
}

// The folder a collapsed target gathers its files in, made and protected.
Status ConversionUndo::prepareStackFolder(const DesktopStack& target)
{
    if (Status made = m_folders.ensureStorageFolder(); !made)
        return made;
    return m_folders.createStackFolder(m_folders.stackFolderURL(target));
}

void ConversionUndo::undoOne(const Conversion& conversion, Report& report)
{
    FileSystem& fs = m_fileSystem;
    const std::optional<DesktopStack> current = m_records.withID(conversion.stack.id);
    const bool inStacks = current.has_value();
    DesktopStack target = current ? *current : conversion.stack;
    if (!inStacks) {
        target.items.clear();
        chooseFolderName(target);
    }

    const bool toDesktop = target.state == StackState::expanded;
    QString destination = m_files.desktopFolder();
    if (!toDesktop) {
        if (const Status prepared = prepareStackFolder(target); !prepared) {
            m_state.setLastConversion(m_state.lastConversion() + QList<Conversion>{conversion});
            m_alerts.showError(prepared.description());
            return;
        }
        destination = m_folders.stackFolderURL(target);
    }

    // Every destination is chosen first, so that the desktop program can be told where icons
    // go before the files arrive.
    struct Planned
    {
        StackItem item;
        QString from;
        QString to;
    };
    QList<Planned> plan;
    QSet<QString> promised;
    const QString converted = fs.resolved(conversion.folder);
    // The files are looked for only in the folder the conversion made.
    QList<QByteArray> bookmarks;
    for (const StackItem& item : conversion.moved)
        bookmarks.append(item.bookmark);
    const QList<std::optional<QString>> paths = m_bookmarks.resolveAll(bookmarks);
    for (qsizetype i = 0; i < conversion.moved.size(); ++i) {
        const StackItem& item = conversion.moved.at(i);
        const std::optional<QString>& path = paths.at(i);
        if (!path || fs.resolvedParent(*path) != converted) {
            report.missingNames.append(item.name);
            continue;
        }
        const QString to =
            FolderNames::uniqueDestination(fs, destination, fileName(*path), promised);
        promised.insert(fileName(to));
        plan.append(Planned{item, *path, to});
    }
    if (toDesktop) {
        QList<NamedPosition> announced;
        for (const Planned& planned : std::as_const(plan))
            announced.append(NamedPosition{fileName(planned.to), planned.item.position});
        (void)m_desktop.announcePositions(announced);
    }

    for (Planned& planned : plan) {
        if (const Status moved = fs.move(planned.from, planned.to); !moved) {
            qCWarning(lcOperations).noquote() << QStringLiteral("Tidorama: could not undo ") +
                                                     planned.from + QStringLiteral(": ") +
                                                     moved.description();
            report.missingNames.append(planned.item.name);
            continue;
        }
        StackItem& item = planned.item;
        item.name = fileName(planned.to);
        if (std::optional<QByteArray> bookmark = m_bookmarks.make(planned.to))
            item.bookmark = std::move(*bookmark);
        target.items.append(item);
        if (toDesktop)
            report.placements.append(NamedPosition{item.name, item.position});
    }

    if (!target.items.isEmpty()) {
        m_records.store(target);
        m_windows.showWindow(target);
    } else if (!inStacks && !toDesktop) {
        m_folders.removeStackFolderIfEmpty(target);
    }
    deleteIfEmpty(fs, conversion.folder);
}

void ConversionUndo::undoNow()
{
    if (m_state.lastConversion().isEmpty())
        return m_alerts.beep();
    const QList<Conversion> conversions = m_state.lastConversion();
    m_state.setLastConversion({});

    Report report;
    // An alert on the way runs the event loop, and the owner may go meanwhile.
    const QPointer<QObject> alive(&m_context);
    for (const Conversion& conversion : conversions) {
        if (!alive)
            return;
        undoOne(conversion, report);
    }
    if (!alive)
        return;
    if (!report.placements.isEmpty())
        m_conversion.placeIconsSoon(report.placements);
    if (!report.missingNames.isEmpty())
        m_alerts.showError(TidoraError{
            ErrorCode::notPutBack,
            QStringLiteral("Some files weren't put back because they are no longer in the "
                           "folder: ") +
                quotedList(report.missingNames) + QLatin1Char('.')});
}

void ConversionUndo::undoLastConversion()
{
    runAsWork(m_scheduler, m_state, m_context, [this](const WorkToken&) { undoNow(); });
}
