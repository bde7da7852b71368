#include "app/TrayIcon.h"

#include "desktop/MenuBarIconPainter.h"
#include "operations/MenuBarIcon.h"
#include "operations/UndoState.h"

#include <QGuiApplication>
#include <QMenu>
#include <QPalette>

TrayIcon::TrayIcon(UndoState& state, QMenu* menu, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_painter(new MenuBarIconPainter(qGuiApp->devicePixelRatio(),
                                       QGuiApplication::palette().color(QPalette::WindowText),
                                       this))
{
    m_icon.setContextMenu(menu);
    connect(m_painter, &MenuBarIconPainter::imageChanged, this,
            [this] { m_icon.setIcon(m_painter->icon()); });
    connect(&m_state, &UndoState::isWorkingChanged, this, &TrayIcon::showWorking);
    // A left click opens the menu too, as a status item's does.
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && m_icon.contextMenu())
                    m_icon.contextMenu()->popup(m_icon.geometry().center());
            });
    m_state.menuBarIcon()->setView(m_painter);
    showWorking(m_state.isWorking());
}

TrayIcon::~TrayIcon()
{
    m_state.menuBarIcon()->setView(nullptr);
}

void TrayIcon::show()
{
    m_icon.setIcon(m_painter->icon());
    m_icon.show();
}

void TrayIcon::showWorking(bool working)
{
    m_icon.setToolTip(working ? tr("Working") : MenuBarIconPainter::accessibleName());
}
