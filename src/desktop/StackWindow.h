#pragma once

#include "desktop/StackWindowEnvironment.h"
#include "engine/StackWindowPort.h"

#include <QPoint>
#include <QPointF>
#include <QStringList>
#include <QUuid>
#include <QWidget>

#include <memory>
#include <optional>

class QMenu;
class StackContainerView;
class StackView;
class StackViewModel;
class StackWindowHost;
class ThumbnailLoader;

// The window of one stack on the Desktop: 140 × 150, frameless, above the desktop's own window
// and below every other, on every workspace, never in the taskbar. It shows the stack through
// its StackView and is the handle the user works the stack with: a click selects it (or
// restacks a spread stack), a double-click spreads it, Alt- or middle-click opens the preview,
// Shift- or Ctrl-click changes the selection, a drag moves it (with the selected group) and
// dissolves a spread stack dragged far enough, Return renames it, and a right-click opens its
// menu. Everything it asks of the stacks goes through the host.
class StackWindow : public QWidget, public StackWindowPort
{
    Q_OBJECT

public:
    // What a window drag ended in.
    struct DragOutcome
    {
        bool moved = false;
        bool dissolved = false;
    };

    StackWindow(const QUuid& stackID, std::unique_ptr<StackWindowHost> host,
                const StackWindowEnvironment& environment);
    ~StackWindow() override;

    // --- StackWindowPort ----------------------------------------------------------------------

    QUuid stackID() const override { return m_stackID; }
    void update(const DesktopStack& record, const QStringList& files) override;
    QPointF frameOrigin() const override;
    void setFrameOrigin(QPointF origin) override;
    QRectF frame() const override;
    void orderFront() override;
    void close() override;
    void setSelected(bool selected) override;
    void setDropTarget(bool target) override;
    void startDissolveAnimation() override;

    // --- What the user does (the container view forwards its events here) ----------------------

    // A press of the left button (or the middle one, which stands for Alt): the click rules,
    // then the start of a window drag unless the press ended there.
    void mouseDown(QPoint globalPosition, Qt::KeyboardModifiers modifiers, int clickCount,
                   bool middleButton = false);
    // The pointer moved with the button held: the window follows it exactly.
    void mouseDragged(QPoint globalPosition);
    // The button went up: the end of the drag, then the rest of the click rules.
    void mouseUp();
    // Return or keypad Enter without modifiers renames a stack selected alone; true when the
    // key was taken.
    bool keyDown(int key, Qt::KeyboardModifiers modifiers);
    // A new menu for the window's targets; the caller owns it.
    std::unique_ptr<QMenu> buildContextMenu();
    void showContextMenu(QPoint globalPosition);
    // Files dropped onto the window: they join the stack on the next turn of the event loop.
    // False, with nothing scheduled, when the list is empty.
    bool dropFiles(const QStringList& paths);

    // --- Helpers of the rules above -----------------------------------------------------------

    void selectOnly();
    void selectIfNeeded();
    QList<QUuid> targets() const;
    void loadThumbnails(const QStringList& paths);
    void updateDissolveProgress();
    void dissolveAfterRelease();

    StackViewModel& model() const { return *m_model; }
    StackView& view() const { return *m_view; }
    // The stack's files as last shown, in item order.
    const QStringList& files() const { return m_files; }
    const StackWindowEnvironment& environment() const { return m_environment; }
    StackWindowHost& host() const { return *m_host; }
    // Whether a window drag is under way, and whether it carries the selected group.
    bool isDragging() const { return m_dragStartOrigin.has_value(); }
    bool isGroupDrag() const { return m_isGroupDrag; }

    // How long the window animates away before its stack is dissolved.
    static constexpr int dissolveDelayMs = 550;

    // --- Menu actions, over the targets taken when they run ------------------------------------

    void toggleFromMenu();
    void gridFromMenu();
    void renameFromMenu();
    void convertFromMenu();
    void dissolveFromMenu();
    void moveToBinFromMenu();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // A press that may become a click or a drag.
    struct Press
    {
        QPoint startGlobal;
        QPoint startTopLeft;
        QPointF startOrigin;
        Qt::KeyboardModifiers modifiers;
        bool wasSelected = false;
        bool wasExpanded = false;
    };

    DragOutcome endWindowDrag(const Press& press);
    // The window's frame origin changed: the preview goes, the manager records it and the
    // dissolve progress follows.
    void windowMoved();
    void closePreviewIfOwn();
    void takeKeyFocus();
    void releaseKeyFocus();
    void refreshBackdrop();
    void setCompositing(bool compositing);

    QUuid m_stackID;
    std::unique_ptr<StackWindowHost> m_host;
    StackWindowEnvironment m_environment;
    StackViewModel* m_model;
    StackContainerView* m_container;
    StackView* m_view;
    ThumbnailLoader* m_thumbnails;
    QStringList m_files;
    // The files the thumbnails show, in order.
    QStringList m_thumbnailFiles;

    std::optional<Press> m_press;
    std::optional<QPointF> m_dragStartOrigin;
    bool m_isGroupDrag = false;
    // The exact origin the manager asked for, while the window still stands there.
    QPointF m_requestedOrigin;
    // The origin the manager last heard of (or set).
    std::optional<QPointF> m_reportedOrigin;
};
