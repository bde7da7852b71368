#include "FakeDesktop.h"

#include "engine/FinderScripts.h"
#include "platform/FileSystem.h"

#include <QFileInfo>
#include <QHash>
#include <QMutexLocker>
#include <QSet>

namespace {

QString operationName(FakeDesktop::Operation operation)
{
    switch (operation) {
    case FakeDesktop::Operation::desktopItems:
        return QStringLiteral("desktopItems");
    case FakeDesktop::Operation::selectedFiles:
        return QStringLiteral("selectedFiles");
    case FakeDesktop::Operation::desktopPositions:
        return QStringLiteral("desktopPositions");
    case FakeDesktop::Operation::setDesktopPositions:
        return QStringLiteral("setDesktopPositions");
    case FakeDesktop::Operation::announcePositions:
        return QStringLiteral("announcePositions");
    }
    return QString();
}

QString point(QPointF position)
{
    return QStringLiteral("(%1, %2)").arg(position.x()).arg(position.y());
}

} // namespace

QString FakeDesktop::Call::script() const
{
    switch (operation) {
    case Operation::desktopItems:
        return FinderScripts::allItems();
    case Operation::selectedFiles:
        return FinderScripts::selection();
    case Operation::desktopPositions:
        return FinderScripts::positions(names);
    case Operation::setDesktopPositions:
        return FinderScripts::setPositions(positions);
    case Operation::announcePositions:
        break;
    }
    return QString();
}

QString FakeDesktop::Call::text() const
{
    QStringList arguments = names;
    for (const NamedPosition& entry : positions)
        arguments.append(entry.name + QLatin1Char(' ') + point(entry.position));
    const QString name = operationName(operation);
    return arguments.isEmpty() ? name
                               : name + QLatin1Char(' ') + arguments.join(QStringLiteral(", "));
}

FakeDesktop::FakeDesktop(QString desktopFolder, const FileSystem& fileSystem)
    : DesktopBridge(desktopFolder, fileSystem)
    , m_changes(desktopFolder)
{}

void FakeDesktop::setIcon(const QString& name, QPointF position)
{
    const QMutexLocker lock(&m_mutex);
    settle();
    // An icon only for what is there, as the program would show it.
    if (m_present.contains(name))
        m_icons.insert(name, position);
}

std::optional<QPointF> FakeDesktop::icon(const QString& name)
{
    const QMutexLocker lock(&m_mutex);
    settle();
    return iconLocked(name);
}

void FakeDesktop::select(QStringList paths)
{
    const QMutexLocker lock(&m_mutex);
    m_selection = std::move(paths);
}

PositionMap FakeDesktop::pendingAnnouncements() const
{
    const QMutexLocker lock(&m_mutex);
    return m_announced;
}

void FakeDesktop::setMode(Mode mode)
{
    const QMutexLocker lock(&m_mutex);
    m_mode = mode;
}

void FakeDesktop::fail(Operation operation, BridgeError error)
{
    const QMutexLocker lock(&m_mutex);
    m_failures.insert(operation, std::move(error));
}

void FakeDesktop::clearFailures()
{
    const QMutexLocker lock(&m_mutex);
    m_failures.clear();
}

QList<FakeDesktop::Call> FakeDesktop::calls() const
{
    const QMutexLocker lock(&m_mutex);
    return m_calls;
}

QList<FakeDesktop::Call> FakeDesktop::callsOf(Operation operation) const
{
    const QMutexLocker lock(&m_mutex);
    QList<Call> found;
    for (const Call& call : m_calls) {
        if (call.operation == operation)
            found.append(call);
    }
    return found;
}

QStringList FakeDesktop::callTexts() const
{
    const QMutexLocker lock(&m_mutex);
    QStringList texts;
    for (const Call& call : m_calls)
        texts.append(call.text());
    return texts;
}

void FakeDesktop::clearCalls()
{
    const QMutexLocker lock(&m_mutex);
    m_calls.clear();
}

BridgeError FakeDesktop::unreachableError()
{
    return BridgeError{QStringLiteral("Tidora can't read the icon positions of your desktop: the "
                                      "desktop program does not answer."),
                       0};
}

BridgeResult<QList<DesktopFile>> FakeDesktop::readDesktopItems()
{
    const QMutexLocker lock(&m_mutex);
    if (const auto error = enter(Call{Operation::desktopItems, {}, {}}))
        return *error;
    settle();
    QList<DesktopFile> items;
    QStringList names(m_present.cbegin(), m_present.cend());
    names.sort();
    for (const QString& name : names)
        items.append(DesktopFile{desktopFolder() + QLatin1Char('/') + name, iconLocked(name)});
    return items;
}

BridgeResult<QList<DesktopFile>> FakeDesktop::readSelection()
{
    const QMutexLocker lock(&m_mutex);
    if (const auto error = enter(Call{Operation::selectedFiles, {}, {}}))
        return *error;
    settle();
    // A desktop program shows what its folders hold: each folder is listed once, as a program
    // watching it would know it, rather than every selected file looked at on its own.
    QHash<QString, QSet<QString>> contents;
    QList<DesktopFile> selected;
    for (const QString& path : std::as_const(m_selection)) {
        const QFileInfo info(path);
        const QString folder = info.path();
        auto listed = contents.find(folder);
        if (listed == contents.end() && folder == desktopFolder())
            listed = contents.insert(folder, m_present);
        if (listed == contents.end()) {
            const std::optional<Listing> listing = fileSystem().list(folder);
            const QStringList names = listing ? listing->names : QStringList();
            listed = contents.insert(folder, QSet<QString>(names.cbegin(), names.cend()));
        }
        if (!listed->contains(info.fileName()))
            continue;
        const bool onDesktop = folder == desktopFolder();
        selected.append(DesktopFile{path, onDesktop ? iconLocked(info.fileName()) : std::nullopt});
    }
    return selected;
}

BridgeResult<QList<NamedPosition>> FakeDesktop::readPositions(const QStringList& names)
{
    const QMutexLocker lock(&m_mutex);
    if (const auto error = enter(Call{Operation::desktopPositions, names, {}}))
        return *error;
    settle();
    QList<NamedPosition> rows;
    for (const QString& name : names) {
        if (const auto position = iconLocked(name))
            rows.append(NamedPosition{name, *position});
    }
    return rows;
}

BridgeResult<void> FakeDesktop::writePositions(const QList<NamedPosition>& positions)
{
    const QMutexLocker lock(&m_mutex);
    if (const auto error = enter(Call{Operation::setDesktopPositions, {}, positions}))
        return *error;
    if (m_mode == Mode::absent)
        return {};
    settle();
    for (const NamedPosition& entry : positions) {
        if (m_icons.contains(entry.name))
            m_icons.insert(entry.name, entry.position);
    }
    return {};
}

BridgeResult<void> FakeDesktop::writeAnnouncement(const QList<NamedPosition>& positions)
{
    const QMutexLocker lock(&m_mutex);
    if (const auto error = enter(Call{Operation::announcePositions, {}, positions}))
        return *error;
    if (m_mode == Mode::absent)
        return {};
    settle();
    for (const NamedPosition& entry : positions)
        m_announced.insert(entry.name, entry.position);
    return {};
}

std::optional<BridgeError> FakeDesktop::enter(Call call)
{
    const Operation operation = call.operation;
    m_calls.append(std::move(call));
    if (m_mode == Mode::unreachable)
        return unreachableError();
    if (m_failures.contains(operation))
        return m_failures.value(operation);
    return std::nullopt;
}

void FakeDesktop::settle()
{
    if (!m_changes.changedSinceLastAsked())
        return;
    const std::optional<Listing> listing = fileSystem().list(desktopFolder());
    const QStringList names = listing ? listing->names : QStringList();
    m_present = QSet<QString>(names.cbegin(), names.cend());
    for (auto it = m_icons.begin(); it != m_icons.end();) {
        if (m_present.contains(it.key()))
            ++it;
        else
            it = m_icons.erase(it);
    }
    QStringList arrived;
    for (const QString& name : names) {
        // Hidden items show no icon.
        if (!name.startsWith(QLatin1Char('.')) && !m_icons.contains(name))
            arrived.append(name);
    }
    arrived.sort();
    QSet<int> taken;
    for (const QPointF& used : std::as_const(m_icons)) {
        if (const std::optional<int> slot = slotAt(used))
            taken.insert(*slot);
    }
    int slot = 0;
    for (const QString& name : std::as_const(arrived)) {
        const auto announced = m_announced.constFind(name);
        if (announced != m_announced.cend()) {
            m_icons.insert(name, *announced);
            m_announced.erase(announced);
            continue;
        }
        while (taken.contains(slot))
            ++slot;
        taken.insert(slot);
        m_icons.insert(name, slotPosition(slot));
    }
}

QPointF FakeDesktop::slotPosition(int slot)
{
    return QPointF(88, 46 + 80 * slot);
}

std::optional<int> FakeDesktop::slotAt(QPointF position)
{
    const int slot = qRound((position.y() - 46) / 80);
    if (slot >= 0 && slotPosition(slot) == position)
        return slot;
    return std::nullopt;
}

std::optional<QPointF> FakeDesktop::iconLocked(const QString& name) const
{
    if (m_mode == Mode::absent)
        return std::nullopt;
    const auto found = m_icons.constFind(name);
    if (found == m_icons.cend())
        return std::nullopt;
    return *found;
}
