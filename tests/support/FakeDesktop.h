#pragma once

#include "FolderChanges.h"
#include "engine/DesktopBridge.h"

#include <QHash>
#include <QMap>
#include <QMutex>
#include <QSet>

#include <optional>

// An in-memory desktop program over a real Desktop folder (usually a TempHome's). Files lying
// in the folder have icons keyed by name: a file that arrives takes the position announced for
// it, or else the next free slot of a column at the left; a file that leaves loses its icon.
// Every call that reaches the program is logged with its arguments, so tests can check that an
// operation makes one call, what it sends and what it leaves out.
class FakeDesktop : public DesktopBridge
{
public:
    enum class Operation {
        desktopItems,
        selectedFiles,
        desktopPositions,
        setDesktopPositions,
        announcePositions,
    };

    enum class Mode {
        // A program that answers.
        running,
        // No supported program: positions unknown, setting them does nothing.
        absent,
        // A program that is there but does not answer: every call fails.
        unreachable,
    };

    struct Call
    {
        Operation operation;
        // The names asked for (desktopPositions).
        QStringList names;
        // The positions sent (setDesktopPositions, announcePositions).
        QList<NamedPosition> positions;

        // What the call looks like as the macOS build's AppleScript.
        QString script() const;

        // "desktopPositions a.txt, b.txt", "setDesktopPositions a.txt (10, 20)", …
        QString text() const;
    };

    FakeDesktop(QString desktopFolder, const FileSystem& fileSystem);

    // Places (or moves) the icon of a Desktop item, as a user's drag would.
    void setIcon(const QString& name, QPointF position);
    // The icon's position now; nothing when the item shows no icon.
    std::optional<QPointF> icon(const QString& name);
    // The paths the program reports as selected, in order (anything: filtering is the
    // bridge's job).
    void select(QStringList paths);
    // Positions announced for items that have not arrived yet.
    PositionMap pendingAnnouncements() const;

    void setMode(Mode mode);
    // Makes every call of this operation fail with the error until cleared.
    void fail(Operation operation, BridgeError error);
    void clearFailures();

    QList<Call> calls() const;
    QList<Call> callsOf(Operation operation) const;
    // The text of every call, in order.
    QStringList callTexts() const;
    void clearCalls();

    // The error every call gives in Mode::unreachable.
    static BridgeError unreachableError();

protected:
    BridgeResult<QList<DesktopFile>> readDesktopItems() override;
    BridgeResult<QList<DesktopFile>> readSelection() override;
    BridgeResult<QList<NamedPosition>> readPositions(const QStringList& names) override;
    BridgeResult<void> writePositions(const QList<NamedPosition>& positions) override;
    BridgeResult<void> writeAnnouncement(const QList<NamedPosition>& positions) override;

private:
    // Logs the call; the error it must give, if any.
    std::optional<BridgeError> enter(Call call);
    // Brings the icons up to date with the folder: arrivals placed, departures dropped. The
    // folder is listed again only after its entries changed.
    void settle();
    // The free column of icons at the left, from the top.
    static QPointF slotPosition(int slot);
    static std::optional<int> slotAt(QPointF position);
    std::optional<QPointF> iconLocked(const QString& name) const;

    mutable QMutex m_mutex;
    Mode m_mode = Mode::running;
    FolderChanges m_changes;
    // The names in the folder when it was last listed.
    QSet<QString> m_present;
    QHash<QString, QPointF> m_icons;
    PositionMap m_announced;
    QStringList m_selection;
    QMap<Operation, BridgeError> m_failures;
    QList<Call> m_calls;
};
