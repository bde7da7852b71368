#pragma once

#include "app/MenuCommands.h"
#include "engine/SelectionSource.h"
#include "engine/StackOperations.h"
#include "operations/WorkTicket.h"
#include "store/StackState.h"

#include <QList>
#include <QUuid>

#include <QPointer>

#include <functional>

class Alerts;
class StackManager;

// The tray menu's commands, each handed to the operation that does the work: once the manager
// that made the operations is gone they do nothing.
class ManagerCommands : public MenuCommands
{
public:
    ManagerCommands(StackManager& manager, Alerts& alerts, std::function<void()> showAbout,
                    std::function<void()> rightClickMenu, std::function<void()> quit);

    // Stacks the Desktop's selected files as work; dropped while work runs. The hot key does
    // the same; the URL asks for the files the context-menu action handed over.
    static void stackSelection(StackManager& manager,
                               SelectionSource source = SelectionSource::desktop);

    void stackSelectedFiles() override;
    void autoStackByType() override;
    void spreadAllStacks() override;
    void stackAllAgain() override;
    void convertAllStacks() override;
    void undoConvert() override;
    void dissolveAllStacks() override;
    StorageLocation currentStorageLocation() const override;
    void changeStorageLocation(StorageLocation location) override;
    void fileManagerMenu() override;
    void showHelp() override;
    void showAbout() override;
    void uninstall() override;
    void quit() override;

private:
    // The ids of the stacks in this state, in list order (taken before any of them changes).
    QList<QUuid> stacksIn(StackState state) const;
    // An item whose operation this build does not have yet says so.
    void notAvailableYet(const QString& item, const QString& what);

    QPointer<StackManager> m_manager;
    StackOperations m_operations;
    Alerts& m_alerts;
    std::function<void()> m_showAbout;
    std::function<void()> m_rightClickMenu;
    std::function<void()> m_quit;
};
