#include "app/TrayIcon.h"

#include "app/AppLog.h"

#include "desktop/MenuBarIconPainter.h"
#include "operations/MenuBarIcon.h"
#include "operations/UndoState.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

// Panels are dark or light and say neither: a light glyph with a dark rim reads on both.
const QColor ink(0xf4, 0xf4, 0xf4);
const QColor rim(0, 0, 0, 210);

const QString symbolicName = QStringLiteral("tidora-symbolic");

// The icon folder of the installation this program is part of (prefix/bin/tidora,
// prefix/share/icons) when it holds the symbolic icon; empty otherwise, as in a build folder.
QString installedIcons()
{
    const QString icons =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/icons"));
    return QFileInfo::exists(icons + QStringLiteral("/hicolor/symbolic/apps/") + symbolicName +
                             QStringLiteral(".svg"))
               ? icons
               : QString();
}

} // namespace

TrayIcon::TrayIcon(UndoState& state, QMenu* menu, std::unique_ptr<StatusNotifierItem> item,
                   QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_menu(menu)
    , m_painter(new MenuBarIconPainter(qGuiApp->devicePixelRatio(), ink, rim, this))
    , m_item(std::move(item))
{
    connect(m_painter, &MenuBarIconPainter::imageChanged, this, &TrayIcon::showImage);
    connect(&m_state, &UndoState::isWorkingChanged, this, &TrayIcon::showWorking);
    connect(m_item.get(), &StatusNotifierItem::watcherChanged, this, &TrayIcon::place);
    connect(m_item.get(), &StatusNotifierItem::menuRequested, this, &TrayIcon::popUpMenu);
    m_item->setTitle(MenuBarIconPainter::accessibleName());
    // Panels that draw themed icons draw the idle one in their own colours.
    m_item->setIconThemePath(installedIcons());
    m_state.menuBarIcon()->setView(m_painter);
    showWorking(m_state.isWorking());
}

TrayIcon::~TrayIcon()
{
    m_state.menuBarIcon()->setView(nullptr);
}

void TrayIcon::show()
{
    m_shown = true;
    place();
    if (!m_unseenCheck) {
        m_unseenCheck = true;
        QTimer::singleShot(m_noTrayGrace, this, &TrayIcon::tellIfUnseen);
    }
}

void TrayIcon::tellIfUnseen()
{
    if (!m_shown || m_item->hasWatcher() || QSystemTrayIcon::isSystemTrayAvailable())
        return;
    // Running with nothing to show it would look like not running at all.
    const QString summary = tr("Tidora is running without a tray icon");
    const QString body = tr("This desktop has no tray to show Tidora's icon in, so its menu "
                            "can't be opened. The hot key still stacks the selected Desktop "
                            "files.");
    qCWarning(lcApp).noquote() << QStringLiteral("Tidorama: no tray to show the icon in");
    m_item->notify(summary, body);
}

void TrayIcon::hide()
{
    m_shown = false;
    m_item->setShown(false);
    if (m_embedded)
        m_embedded->hide();
}

QImage TrayIcon::image() const
{
    return m_painter->image();
}

bool TrayIcon::isEmbedded() const
{
    return m_embedded && m_embedded->isVisible();
}

void TrayIcon::place()
{
    if (!m_shown)
        return;
    if (m_item->hasWatcher()) {
        if (m_embedded)
            m_embedded->hide();
        m_item->setShown(true);
    } else {
        m_item->setShown(false);
        embedded().show();
    }
}

QSystemTrayIcon& TrayIcon::embedded()
{
    if (!m_embedded) {
        m_embedded = std::make_unique<QSystemTrayIcon>(m_painter->icon());
        m_embedded->setToolTip(m_toolTip);
        // The right button opens the context menu; the left one opens it too, as a status
        // item's does.
        m_embedded->setContextMenu(m_menu);
        connect(m_embedded.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger)
                        popUpMenu();
                });
    }
    return *m_embedded;
}

void TrayIcon::showImage()
{
    // The spinner has no themed counterpart: while it turns, the panel draws the images.
    const bool themed = !m_item->iconThemePath().isEmpty() && !m_state.isWorking();
    m_item->setIcon(m_painter->image(), themed ? symbolicName : QString());
    if (m_embedded)
        m_embedded->setIcon(m_painter->icon());
}

void TrayIcon::showWorking(bool working)
{
    m_toolTip = working ? tr("Working") : MenuBarIconPainter::accessibleName();
    m_item->setToolTip(m_toolTip);
    if (m_embedded)
        m_embedded->setToolTip(m_toolTip);
    showImage();
}

void TrayIcon::popUpMenu()
{
    // Where the click was: a panel's own idea of the icon's place may be none at all.
    if (m_menu)
        m_menu->popup(QCursor::pos());
}
