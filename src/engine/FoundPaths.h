#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>

struct DesktopStack;

// Where the launch's repairs found each stack's files, by item (nullopt where they did not).
// Each ~150-byte bookmark is looked up once, not again by every step of launch. Made for the
// records as they are; make it again when their items change.
class FoundPaths
{
public:
    FoundPaths(const QList<DesktopStack>& stacks, const QHash<QByteArray, QString>& known);

    // One per item of `stack`.
    [[nodiscard]] QList<std::optional<QString>> of(const DesktopStack& stack) const;
    // Files moved: nothing found before holds.
    void forget();

private:
    const QHash<QByteArray, QString>* m_known;
    QHash<QUuid, QList<std::optional<QString>>> m_byStack;
    // Ids that more than one record carries: their items are looked up each time.
    QSet<QUuid> m_twice;
};
