#pragma once

#include "platform/Screens.h"

#include <QPointer>
#include <QRectF>
#include <QStringList>
#include <QWidget>

#include <memory>

class QFileSystemWatcher;
class Scheduler;
class Screens;
class StackPreviewModel;
class StackPreviewView;
class StackWindow;
class ThumbnailLoader;
struct PointerEvent;

// The panel an Alt-click (or middle-click) on a collapsed stack opens next to it: the stack's
// files as a grid of thumbnails with their names. A click on a file opens it and closes the
// panel; a drag carries the file out of the stack. The panel follows the stack's folder while
// it is open, and closes on Escape, on any click outside it and its stack window, and when the
// stack window moves, closes or spreads. At most one exists at a time.
class StackPreview : public QWidget
{
    Q_OBJECT

public:
    // Files wait this long after a change of the folder before the panel looks again.
    static constexpr int refreshDelayMs = 400;

    // The open preview, if any.
    static StackPreview* current();
    // The Alt-click: closes the window's own preview; otherwise replaces any open one with one
    // for the window's files (nothing for a stack without files).
    static void toggle(StackWindow& source);
    // Closes the open preview when it belongs to this window.
    static void closeFor(const StackWindow* source);

    // Where a preview of `size` goes for a stack window of frame `stack` (screen coordinates,
    // y upward): above the window, overlapping it by 10, or below it when there is no room
    // above, kept inside the visible frame of its screen less 2 % on every side.
    static QRectF placement(QSizeF size, const QRectF& stack, const QList<ScreenGeometry>& screens);
    // The frame after the files changed: x stays; a preview above its stack keeps its bottom
    // edge, one below keeps its top edge.
    static QRectF refreshedFrame(const QRectF& frame, QSizeF size, const QRectF& stack);

    ~StackPreview() override;

    StackPreviewModel& model() const { return *m_model; }
    StackPreviewView& view() const { return *m_view; }
    StackWindow* source() const { return m_source.data(); }
    // The panel's frame in screen coordinates.
    QRectF screenFrame() const { return m_frame; }
    // Shows these files now (the folder changed): closes the panel when none is left.
    void refresh(const QStringList& files);
    // Removes the click monitors, stops watching the folder and closes the panel for good.
    void closePreview();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    explicit StackPreview(StackWindow& source);

    void placeAt(const QRectF& frame);
    void watchFolder();
    void folderChanged();
    void folderSettled();
    void pointerPressed(const PointerEvent& event);
    void open(const QString& path);
    void updateShape();

    QPointer<StackWindow> m_source;
    Scheduler& m_scheduler;
    const Screens& m_screens;
    StackPreviewModel* m_model;
    ThumbnailLoader* m_thumbnails;
    StackPreviewView* m_view;
    std::unique_ptr<QFileSystemWatcher> m_watcher;
    // The refresh waiting for the folder to settle; deleting it cancels it.
    std::unique_ptr<QObject> m_pending;
    QMetaObject::Connection m_globalClicks;
    QRectF m_frame;
    bool m_compositing = true;
    bool m_dragging = false;
    bool m_closed = false;
};
