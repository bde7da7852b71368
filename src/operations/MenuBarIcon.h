#pragma once

#include <QObject>

#include <memory>

class MenuBarIconView;
class Scheduler;

// The tray icon's state: idle, or working with a spinner that steps one of its twelve frames
// every 1/12 s while work runs. The ticks go through the Scheduler; with the Qt scheduler they
// are timers of the GUI thread's event loop, which keeps running while a menu is open.
class MenuBarIcon : public QObject
{
    Q_OBJECT
    // The frame shown, or idleFrame.
    Q_PROPERTY(int frame READ frame NOTIFY imageChanged)

public:
    static constexpr int frameCount = 12;
    static constexpr int idleFrame = -1;

    explicit MenuBarIcon(Scheduler& scheduler, QObject* parent = nullptr);
    ~MenuBarIcon() override;

    int frame() const { return m_frame; }
    bool isAnimating() const { return m_timer != nullptr; }

    // Stops any running animation; shows the idle symbol (false) or starts over at frame 0
    // (true).
    void setWorking(bool working);
    // Where the images go; shows the current one at once. Nothing is drawn without a view.
    void setView(MenuBarIconView* view);

Q_SIGNALS:
    void imageChanged(int frame);

private:
    void show(int frame);
    void scheduleTick(QObject* timer, int tick);

    Scheduler& m_scheduler;
    MenuBarIconView* m_view = nullptr;
    // Present while animating. Its destruction drops the tick waiting on it.
    std::unique_ptr<QObject> m_timer;
    int m_frame = idleFrame;
};
