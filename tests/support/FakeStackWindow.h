#pragma once

#include "engine/StackWindowPort.h"
#include "store/DesktopStack.h"

#include "engine/StackWindowHost.h"

#include <QObject>

#include <functional>
#include <memory>

class Scheduler;

// A stack window that remembers what the manager did to it. Its frame is 140 × 150 at its
// origin. Its dissolve animation calls its host back after `dissolveDelay` through the
// Scheduler, as the real window does; tests can also play the user's part (drop, drag,
// dissolve gesture) through the calls it would make.
class FakeStackWindow : public StackWindowPort
{
public:
    using Destroyed = std::function<void(FakeStackWindow*)>;

    FakeStackWindow(const QUuid& stackID, std::unique_ptr<StackWindowHost> host,
                    Scheduler& scheduler, Destroyed destroyed);
    ~FakeStackWindow() override;

    QUuid stackID() const override { return m_stackID; }
    void update(const DesktopStack& record, const QStringList& files) override;
    QPointF frameOrigin() const override { return m_origin; }
    void setFrameOrigin(QPointF origin) override;
    QRectF frame() const override;
    void orderFront() override { ++orderedFront; }
    void close() override { closed = true; }
    void setSelected(bool selected) override { isSelected = selected; }
    void setDropTarget(bool target) override { isDropTarget = target; }
    void startDissolveAnimation() override;

    // Stops telling the factory when the window goes.
    void forgetFactory() { m_destroyed = nullptr; }
    // Moves the window as a user's drag would, without the manager setting it.
    void drag(QPointF origin) { m_origin = origin; }

    // The last record and files the manager showed, and how often.
    DesktopStack record;
    QStringList files;
    int updates = 0;
    int orderedFront = 0;
    int originsSet = 0;
    bool closed = false;
    bool isSelected = false;
    bool isDropTarget = false;
    int dissolveAnimations = 0;

    // How long the dissolve animation runs before the window calls the manager.
    static constexpr int dissolveDelayMs = 550;

private:
    QUuid m_stackID;
    std::unique_ptr<StackWindowHost> m_host;
    Scheduler& m_scheduler;
    // What the animation's end waits in: it goes with the window.
    QObject m_animation;
    QPointF m_origin;
    Destroyed m_destroyed;
};
