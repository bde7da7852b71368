#include "app/TrayMenu.h"

#include "app/MenuCommands.h"
#include "app/ShortcutsMenu.h"
#include "operations/UndoState.h"
#include "platform/Settings.h"
#include "platform/Wording.h"

#include "app/AppLog.h"

#include <QActionGroup>
#include <QIcon>
#include <QStyle>

namespace {

// Menu texts are shown as written: "&" would otherwise mark a mnemonic.
QString literal(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

TrayMenu::TrayMenu(MenuCommands& commands, const UndoState& state, Settings& settings,
                   const Wording& wording)
    : m_commands(commands)
    , m_state(state)
    , m_settings(settings)
{
    m_stackSelected = addCommand(tr("Stack Selected Files"), &MenuCommands::stackSelectedFiles);
    addSeparator();
    m_autoStack = addCommand(tr("Auto-Stack by Type"), &MenuCommands::autoStackByType);
    m_spreadAll = addCommand(tr("Spread All Stacks"), &MenuCommands::spreadAllStacks);
    m_stackAllAgain = addCommand(tr("Stack All Again"), &MenuCommands::stackAllAgain);
    m_convertAll =
        addCommand(tr("Convert All Stacks into Folders\u2026"), &MenuCommands::convertAllStacks);
    m_undoConvert = addCommand(tr("Undo Convert into Folders"), &MenuCommands::undoConvert);
    m_dissolveAll = addCommand(tr("Dissolve All Stacks\u2026"), &MenuCommands::dissolveAllStacks);
    addSeparator();
    addStoragePicker(wording);
    m_shiftDrag = addAction(tr("Hold Shift While Dragging to Stack"));
    m_shiftDrag->setCheckable(true);
    // Where the gesture can't work, its switch says so, greyed out, and leaves the setting be.
    if (!wording.gesturesOffNote.isEmpty()) {
        m_shiftDrag->setText(m_shiftDrag->text() + QStringLiteral(" (") + wording.gesturesOffNote +
                             QLatin1Char(')'));
        m_shiftDrag->setEnabled(false);
    }
    connect(m_shiftDrag, &QAction::toggled, this,
            [this](bool on) { m_settings.setValue(SettingsKey::shakeToStackEnabled, on); });
    addCommand(wording.rightClickMenuItem, &MenuCommands::fileManagerMenu);
    addSeparator();
    addMenu(new ShortcutsMenu(wording, this));
    addSeparator();
    addCommand(tr("Help & Recovering Files\u2026"), &MenuCommands::showHelp)
        ->setIcon(QIcon::fromTheme(
            QStringLiteral("help-contents"),
            QIcon::fromTheme(QStringLiteral("help-browser"),
                             style()->standardIcon(QStyle::SP_MessageBoxQuestion))));
    addCommand(tr("About Tidora"), &MenuCommands::showAbout);
    addCommand(tr("Uninstall Tidora\u2026"), &MenuCommands::uninstall);
    addCommand(tr("Quit Tidora"), &MenuCommands::quit)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    for (auto changed : {&UndoState::availableChanged, &UndoState::isWorkingChanged,
                         &UndoState::hasStacksChanged, &UndoState::hasSpreadChanged,
                         &UndoState::hasStackedChanged, &UndoState::hasSelectionChanged})
        connect(&m_state, changed, this, &TrayMenu::refresh);
    connect(this, &QMenu::aboutToShow, this, [this] {
        refreshSettings();
        traceItems();
    });
    refresh();
    refreshSettings();
}

QAction* TrayMenu::addCommand(const QString& text, void (MenuCommands::*command)())
{
    QAction* action = addAction(literal(text));
    connect(action, &QAction::triggered, this, [this, command] { (m_commands.*command)(); });
    return action;
}

void TrayMenu::addStoragePicker(const Wording& wording)
{
    m_storage = addMenu(tr("Keep Stacked Files In"));
    auto* group = new QActionGroup(m_storage);
    for (const StorageLocation location : allStorageLocations) {
        QAction* entry = m_storage->addAction(literal(label(location, wording)));
        entry->setCheckable(true);
        group->addAction(entry);
        m_locations.append(entry);
        // The move decides the setting; until it does, the check stays where it was.
        connect(entry, &QAction::triggered, this, [this, location] {
            m_commands.changeStorageLocation(location);
            refreshSettings();
        });
    }
    connect(m_storage, &QMenu::aboutToShow, this, &TrayMenu::refreshSettings);
}

void TrayMenu::refresh()
{
    const bool idle = !m_state.isWorking();
    m_stackSelected->setEnabled(idle && m_state.hasSelection());
    m_autoStack->setEnabled(idle);
    m_spreadAll->setEnabled(idle && m_state.hasStacked());
    m_stackAllAgain->setEnabled(idle && m_state.hasSpread());
    m_convertAll->setEnabled(idle && m_state.hasStacks());
    m_undoConvert->setEnabled(idle && m_state.available());
    m_dissolveAll->setEnabled(idle && m_state.hasStacks());
    if (isVisible())
        traceItems();
}

void TrayMenu::traceItems() const
{
    QStringList items;
    for (const QAction* action : actions()) {
        if (!action->isSeparator())
            items.append((action->isEnabled() ? QLatin1Char('+') : QLatin1Char('-')) +
                         action->text().replace(QStringLiteral("&&"), QStringLiteral("&")));
    }
    qCDebug(lcApp).noquote() << "menu:" << items.join(QStringLiteral(" | "));
}

void TrayMenu::refreshSettings()
{
    const StorageLocation current = m_commands.currentStorageLocation();
    for (qsizetype i = 0; i < m_locations.size(); ++i)
        m_locations[i]->setChecked(allStorageLocations[size_t(i)] == current);
    const QSignalBlocker quiet(m_shiftDrag);
    m_shiftDrag->setChecked(m_shiftDrag->isEnabled() &&
                            m_settings.boolValue(SettingsKey::shakeToStackEnabled, true));
}
