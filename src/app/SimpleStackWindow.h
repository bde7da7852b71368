#pragma once

#include "engine/StackWindowFactory.h"
#include "engine/StackWindowPort.h"

#include <QPointer>
#include <QWidget>

class DesktopPlatform;

// A plain stack window for the program until the full one (the stack view, its preview and
// drop target) takes its place: a card with the stack's name and count just above the
// Desktop. A click spreads or gathers the stack, a drag moves it (with the selection), and its
// context menu renames or dissolves it.
class SimpleStackWindow : public QWidget, public StackWindowPort
{
    Q_OBJECT

public:
    SimpleStackWindow(const QUuid& stackID, StackManager& manager, DesktopPlatform& platform);

    QUuid stackID() const override { return m_id; }
    void update(const DesktopStack& record, const QStringList& files) override;
    QPointF frameOrigin() const override;
    void setFrameOrigin(QPointF origin) override;
    QRectF frame() const override;
    void orderFront() override;
    void close() override;
    void setSelected(bool selected) override;
    void setDropTarget(bool target) override;
    void startDissolveAnimation() override;

    bool isSelected() const { return m_selected; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void toggle();

    QUuid m_id;
    QPointer<StackManager> m_manager;
    DesktopPlatform& m_platform;
    QString m_name;
    qsizetype m_count = 0;
    bool m_spread = false;
    bool m_selected = false;
    bool m_dropTarget = false;
    // Where the press was, in global coordinates, and where the window stood then.
    std::optional<QPoint> m_pressedAt;
    QPoint m_startPosition;
    bool m_dragging = false;
};

class SimpleStackWindowFactory : public StackWindowFactory
{
public:
    explicit SimpleStackWindowFactory(DesktopPlatform& platform)
        : m_platform(platform)
    {}

    std::unique_ptr<StackWindowPort> createWindow(const QUuid& stackID,
                                                  StackManager& manager) override
    {
        return std::make_unique<SimpleStackWindow>(stackID, manager, m_platform);
    }

private:
    DesktopPlatform& m_platform;
};
