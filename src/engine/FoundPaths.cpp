#include "engine/FoundPaths.h"

#include "store/DesktopStack.h"
#include "store/RecordRepair.h"

FoundPaths::FoundPaths(const QList<DesktopStack>& repaired, RecordRepair& repairs)
    : m_repairs(&repairs)
{
    m_positions.reserve(repaired.size());
    for (qsizetype s = 0; s < repaired.size(); ++s)
        if (!m_positions.contains(repaired.at(s).id))
            m_positions.insert(repaired.at(s).id, s);
}

QList<std::optional<QString>> FoundPaths::of(const DesktopStack& stack) const
{
    QList<std::optional<QString>> paths;
    paths.reserve(stack.items.size());
    if (!m_repairs) {
        paths.resize(stack.items.size());
        return paths;
    }
    const QList<QList<std::optional<RecordRepair::Found>>>& found = m_repairs->found();
    const qsizetype position = m_positions.value(stack.id, -1);
    static const QList<std::optional<RecordRepair::Found>> none;
    const QList<std::optional<RecordRepair::Found>>& here =
        position >= 0 && position < found.size() ? found.at(position) : none;
    for (qsizetype i = 0; i < stack.items.size(); ++i) {
        const QByteArray& bookmark = stack.items.at(i).bookmark;
        if (i < here.size() && here.at(i) && here.at(i)->bookmark == bookmark) {
            paths.append(here.at(i)->path);
            continue;
        }
        const QHash<QByteArray, QString>& known = m_repairs->knownPaths();
        const auto at = known.constFind(bookmark);
        paths.append(at != known.cend() ? std::optional<QString>(*at) : std::nullopt);
    }
    return paths;
}

void FoundPaths::forget()
{
    m_repairs = nullptr;
    m_positions.clear();
}
