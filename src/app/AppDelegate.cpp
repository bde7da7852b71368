#include "app/AppDelegate.h"

#include "app/AppLog.h"
#include "app/AppServices.h"
#include "app/ManagerCommands.h"
#include "app/MenuTracking.h"
#include "app/UrlHandler.h"
#include "desktop/DesktopMarquee.h"
#include "desktop/DragGestureMonitor.h"
#include "desktop/GestureHintWindow.h"
#include "engine/StackManager.h"
#include "engine/StackSelection.h"
#include "operations/SelectionFlag.h"
#include "operations/UndoState.h"
#include "platform/DesktopPlatform.h"
#include "platform/linux/GnomeShortcut.h"
#include "platform/linux/KdeGlobalShortcut.h"

#include <QCoreApplication>

namespace {

// The names of the selected stacks, for the trace: "[a, b]".
QString selectedNames(const StackManager& manager)
{
    QStringList names;
    for (const DesktopStack& stack : manager.stacks()) {
        if (manager.selection().selected().contains(stack.id))
            names.append(stack.name);
    }
    return QLatin1Char('[') + names.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace

AppDelegate::AppDelegate(AppServices& services, DesktopPlatform& platform, QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_platform(platform)
    , m_manager(std::make_unique<StackManager>(services.services()))
    , m_hint(std::make_unique<GestureHintWindow>(services.screens))
    , m_gestures(std::make_unique<DragGestureMonitor>(platform, services.settings,
                                                      services.scheduler, services.fileSystem,
                                                      services.paths, services.screens, *m_hint))
    , m_marquee(std::make_unique<DesktopMarquee>(platform, services.screens))
{
    StackManager* manager = m_manager.get();
    services.changeLocation = [manager](StorageLocation location) {
        return manager->changeStorageLocation(location);
    };
    m_urls = std::make_unique<UrlHandler>(
        [manager] { ManagerCommands::stackSelection(*manager, SelectionSource::contextMenu); },
        [manager] { return manager->undoState().isWorking(); });
}

AppDelegate::~AppDelegate()
{
    m_services.changeLocation = nullptr;
}

void AppDelegate::willFinishLaunching()
{
    m_manager->restoreAtLaunch();
}

void AppDelegate::didFinishLaunching(QMenu* trayMenu)
{
    installHotKey();
    installGesture();
    installMarquee();
    installMenuTracking(trayMenu);
    qCDebug(lcApp) << "launched with" << m_manager->stacks().size() << "stacks";
}

void AppDelegate::openUrls(const QStringList& urls)
{
    qCDebug(lcApp) << "URLs" << urls;
    m_urls->open(urls);
}

void AppDelegate::installHotKey()
{
    const auto stack = [this] {
        qCDebug(lcApp) << "hot key";
        ManagerCommands::stackSelection(*m_manager);
    };
    // In a GNOME Wayland session GNOME runs Tidora with the URL of this command instead.
    if (GnomeShortcut::applies() && GnomeShortcut::install(QCoreApplication::applicationFilePath()))
        return;
    if (KdeGlobalShortcut::isAvailable()) {
        m_kdeShortcut = std::make_unique<KdeGlobalShortcut>();
        connect(m_kdeShortcut.get(), &KdeGlobalShortcut::pressed, this, stack);
        if (m_kdeShortcut->registerShortcut())
            return;
        m_kdeShortcut.reset();
    }
    connect(&m_platform, &DesktopPlatform::hotKeyPressed, this, stack);
    // A combination another program holds is logged there; nothing is shown.
    m_platform.registerHotKey();
}

void AppDelegate::installGesture()
{
    DesktopBridge& bridge = m_services.desktop;
    m_gestures->setPositionReader(
        [&bridge](const QStringList& names) { return bridge.desktopPositions(names); });
    m_gestures->setHiddenTest([&bridge](const QString& path) { return bridge.isHiddenFile(path); });
    m_gestures->setOnGesture([this](const QList<DesktopFile>& files, const QPointF& point) {
        qCDebug(lcApp) << "gesture stacks" << files.size() << "files at" << point;
        m_manager->stackFilesAtPoint(files, point);
    });
    m_hint->setCompositing(m_platform.hasCompositor());
    connect(&m_platform, &DesktopPlatform::compositorChanged, m_hint.get(),
            &GestureHintWindow::setCompositing);
    m_gestures->start();
}

void AppDelegate::installMarquee()
{
    m_marquee->setOnMouseDown([this](bool onDesktop, bool additive) {
        m_manager->selection().marqueeBegan(onDesktop, additive);
        qCDebug(lcApp).noquote() << "mouse down, on the Desktop:" << onDesktop
                                 << "selected:" << selectedNames(*m_manager);
    });
    m_marquee->setOnChange([this](const QRectF& rect) {
        m_manager->selection().marqueeChanged(rect);
        qCDebug(lcApp).noquote() << "marquee" << rect << "selected:" << selectedNames(*m_manager);
    });
    m_marquee->start();
}

void AppDelegate::installMenuTracking(QMenu* trayMenu)
{
    m_menuTracking = new MenuTracking(
        [this] {
            qCDebug(lcApp) << "a menu opens: asking for the selection";
            m_manager->operations().selectionFlag.refresh();
        },
        this);
    if (trayMenu)
        m_menuTracking->watch(trayMenu);
    m_menuTracking->install();
}
