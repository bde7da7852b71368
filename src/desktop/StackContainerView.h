#pragma once

#include <QStringList>
#include <QWidget>

class QMimeData;
class StackWindow;

// The content of a stack window: it takes every mouse event and every file drop on the window
// (the view it holds never sees one) and hands them to the window.
class StackContainerView : public QWidget
{
    Q_OBJECT

public:
    explicit StackContainerView(StackWindow& window);

    // The local files a drag carries, in its order; web links and other URLs are left out.
    static QStringList filePaths(const QMimeData* data);
    // What a drop onto a stack does: a copy when the source allows it, else a move. The files
    // are moved into the stack either way; the answer only tells the source what to expect.
    static Qt::DropAction dropAction(Qt::DropActions possible);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    StackWindow& m_window;
};
