#pragma once

#include "engine/StackWindowHost.h"
#include "engine/StackWindowPort.h"

#include <QHash>
#include <QStringList>

// A host that writes down every request as a line ("toggle A", "spread A grid") and keeps a
// selection it shows on the windows registered with it, as the manager does. Stack ids are
// named by the letter they were registered under.
class RecordingWindowHost : public StackWindowHost
{
public:
    // Shared by every window of one test, like the one manager.
    struct State
    {
        QStringList calls;
        QSet<QUuid> selection;
        QHash<QUuid, QString> names;
        QHash<QUuid, StackWindowPort*> windows;
        QList<QUuid> order;
        bool groupDrag = false;
        bool consumeRelease = false;
        bool working = false;

        QString name(const QUuid& id) const { return names.value(id, QStringLiteral("?")); }
        void publish()
        {
            for (auto it = windows.begin(); it != windows.end(); ++it)
                it.value()->setSelected(selection.contains(it.key()));
        }
        // Only the calls that change something, without the moves.
        QStringList actions() const
        {
            QStringList result;
            for (const QString& call : calls) {
                if (!call.startsWith(QLatin1String("moved ")))
                    result.append(call);
            }
            return result;
        }
    };

    explicit RecordingWindowHost(State& state)
        : m_state(state)
    {}

    QSet<QUuid> selection() const override { return m_state.selection; }
    void selectOnly(const QUuid& id) override
    {
        m_state.selection = {id};
        m_state.publish();
    }
    void selectIfNeeded(const QUuid& id) override
    {
        if (!m_state.selection.contains(id))
            selectOnly(id);
    }
    bool toggleSelection(const QUuid& id) override
    {
        record(QStringLiteral("toggleSelection"), id);
        if (!m_state.selection.remove(id))
            m_state.selection.insert(id);
        m_state.publish();
        return m_state.selection.contains(id);
    }
    QList<QUuid> targetsOfWindowCommand(const QUuid& id) const override
    {
        if (!m_state.selection.contains(id))
            return {id};
        QList<QUuid> targets;
        for (const QUuid& stack : m_state.order) {
            if (m_state.selection.contains(stack))
                targets.append(stack);
        }
        return targets;
    }
    bool beginGroupDrag(const QUuid& id) override
    {
        record(QStringLiteral("beginGroupDrag"), id);
        return m_state.groupDrag;
    }
    void windowMoved(const QUuid& id, QPointF origin) override
    {
        record(QStringLiteral("moved"), id,
               QStringLiteral("%1,%2").arg(origin.x()).arg(origin.y()));
    }
    bool endGroupDrag() override
    {
        m_state.calls.append(QStringLiteral("endGroupDrag"));
        return m_state.consumeRelease;
    }
    void toggle(const QUuid& id) override { record(QStringLiteral("toggle"), id); }
    void spread(const QUuid& id, bool inGrid) override
    {
        record(QStringLiteral("spread"), id, inGrid ? QStringLiteral("grid") : QString());
    }
    void restack(const QUuid& id, bool letMovedLeave) override
    {
        record(QStringLiteral("restack"), id,
               letMovedLeave ? QStringLiteral("letMovedLeave") : QString());
    }
    void arrangeInGrid(const QUuid& id) override { record(QStringLiteral("arrangeInGrid"), id); }
    void addFiles(const QStringList& paths, const QUuid& id) override
    {
        record(QStringLiteral("addFiles"), id, paths.join(QLatin1Char(',')));
    }
    void syncWithFolder(const QUuid& id) override { record(QStringLiteral("sync"), id); }
    void dissolveFromMenu(const QUuid& id) override
    {
        record(QStringLiteral("dissolveFromMenu"), id);
    }
    void dissolveAfterAnimation(const QUuid& id) override
    {
        record(QStringLiteral("dissolveAfterAnimation"), id);
    }
    void convertStacks(const QList<QUuid>& ids) override
    {
        m_state.calls.append(QStringLiteral("convert ") + names(ids));
    }
    void moveStacksToBin(const QList<QUuid>& ids) override
    {
        m_state.calls.append(QStringLiteral("bin ") + names(ids));
    }
    void renameStack(const QUuid& id) override { record(QStringLiteral("rename"), id); }
    bool isWorking() const override { return m_state.working; }

private:
    void record(const QString& call, const QUuid& id, const QString& detail = QString())
    {
        m_state.calls.append(call + QLatin1Char(' ') + m_state.name(id) +
                             (detail.isEmpty() ? QString() : QLatin1Char(' ') + detail));
    }
    QString names(const QList<QUuid>& ids) const
    {
        QStringList list;
        for (const QUuid& id : ids)
            list.append(m_state.name(id));
        return list.join(QLatin1Char(','));
    }

    State& m_state;
};
