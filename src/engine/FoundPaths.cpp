#include "engine/FoundPaths.h"

#include "store/DesktopStack.h"

namespace {

QList<std::optional<QString>> lookUp(const DesktopStack& stack,
                                     const QHash<QByteArray, QString>* known)
{
    QList<std::optional<QString>> paths;
    paths.reserve(stack.items.size());
    for (const StackItem& item : stack.items) {
        if (!known) {
            paths.append(std::nullopt);
            continue;
        }
        const auto at = known->constFind(item.bookmark);
        paths.append(at != known->cend() ? std::optional<QString>(*at) : std::nullopt);
    }
    return paths;
}

} // namespace

FoundPaths::FoundPaths(const QList<DesktopStack>& stacks, const QHash<QByteArray, QString>& known)
    : m_known(&known)
{
    m_byStack.reserve(stacks.size());
    for (const DesktopStack& stack : stacks) {
        if (m_byStack.contains(stack.id))
            m_twice.insert(stack.id);
        else
            m_byStack.insert(stack.id, lookUp(stack, m_known));
    }
}

QList<std::optional<QString>> FoundPaths::of(const DesktopStack& stack) const
{
    if (!m_twice.contains(stack.id)) {
        const auto at = m_byStack.constFind(stack.id);
        if (at != m_byStack.cend() && at->size() == stack.items.size())
            return *at;
    }
    return lookUp(stack, m_known);
}

void FoundPaths::forget()
{
    m_known = nullptr;
    m_byStack.clear();
    m_twice.clear();
}
