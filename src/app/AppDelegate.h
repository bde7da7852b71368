#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class AppServices;
class DesktopMarquee;
class DesktopPlatform;
class DragGestureMonitor;
class GestureHintWindow;
class KdeGlobalShortcut;
class MenuTracking;
class QMenu;
class StackManager;
class UrlHandler;

// The program's controller: it owns the one stack manager, the Shift-drag gesture, the Desktop
// marquee and the menu tracking, brings the stacks back at launch and then wires the hot key,
// the gesture and the marquee to the manager. Everything runs on the GUI thread; every callback
// holds the delegate weakly through Qt's connection context.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    AppDelegate(AppServices& services, DesktopPlatform& platform, QObject* parent = nullptr);
    // Unbinds the first-run choice from the manager.
    ~AppDelegate() override;

    StackManager& manager() const { return *m_manager; }

    // Before launch has finished: the stack store brings the stacks back (one window each).
    void willFinishLaunching();
    // Then the hot key, the gesture, the marquee and the menu tracking (the tray menu followed
    // by its own signal, every other menu when it shows).
    void didFinishLaunching(QMenu* trayMenu);

    // One delivery of URLs: tidorama://stack-selection stacks the Desktop's selection.
    void openUrls(const QStringList& urls);

private:
    void installHotKey();
    void installGesture();
    void installMarquee();
    void installMenuTracking(QMenu* trayMenu);

    AppServices& m_services;
    DesktopPlatform& m_platform;
    std::unique_ptr<StackManager> m_manager;
    std::unique_ptr<GestureHintWindow> m_hint;
    std::unique_ptr<DragGestureMonitor> m_gestures;
    std::unique_ptr<DesktopMarquee> m_marquee;
    std::unique_ptr<UrlHandler> m_urls;
    // The hot key under KDE; elsewhere the platform grabs it.
    std::unique_ptr<KdeGlobalShortcut> m_kdeShortcut;
    MenuTracking* m_menuTracking = nullptr;
};
