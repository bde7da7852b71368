#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

class RecordRepair;
struct DesktopStack;

// Where the launch's repairs found each stack's files, by item (nullopt where they did not).
// An item is matched with what the repairs found at its position, which costs a comparison of
// its bookmark; only an item that moved in its list (or shares its id with another record) is
// looked up by bookmark. Made for the list as the repairs left it; items dropped since are fine.
class FoundPaths
{
public:
    FoundPaths(const QList<DesktopStack>& repaired, RecordRepair& repairs);

    // One per item of `stack`.
    [[nodiscard]] QList<std::optional<QString>> of(const DesktopStack& stack) const;
    // Files moved: nothing found before holds.
    void forget();

private:
    RecordRepair* m_repairs;
    // The position of each record in the repaired list (the first, for an id given twice).
    QHash<QUuid, qsizetype> m_positions;
};
