#pragma once

#include "engine/StackOperations.h"
#include "engine/StackWindowHost.h"

#include <QPointer>

class StackManager;

// The stack windows' requests, each handed to the operation that does the work. The manager
// that made the operations is held weakly: once it is gone every request does nothing and
// answers what a window on its own needs.
class ManagerWindowHost : public StackWindowHost
{
public:
    explicit ManagerWindowHost(StackManager& manager);

    QSet<QUuid> selection() const override;
    void selectOnly(const QUuid& id) override;
    void selectIfNeeded(const QUuid& id) override;
    bool toggleSelection(const QUuid& id) override;
    QList<QUuid> targetsOfWindowCommand(const QUuid& id) const override;

    bool beginGroupDrag(const QUuid& id) override;
    void windowMoved(const QUuid& id, QPointF origin) override;
    bool endGroupDrag() override;

    void toggle(const QUuid& id) override;
    void spread(const QUuid& id, bool inGrid) override;
    void restack(const QUuid& id, bool letMovedLeave) override;
    void arrangeInGrid(const QUuid& id) override;
    void addFiles(const QStringList& paths, const QUuid& id) override;
    void syncWithFolder(const QUuid& id) override;

    void dissolveFromMenu(const QUuid& id) override;
    void dissolveAfterAnimation(const QUuid& id) override;
    void convertStacks(const QList<QUuid>& ids) override;
    void moveStacksToBin(const QList<QUuid>& ids) override;
    void renameStack(const QUuid& id) override;
    bool isWorking() const override;

private:
    QPointer<StackManager> m_manager;
    StackOperations m_operations;
};
