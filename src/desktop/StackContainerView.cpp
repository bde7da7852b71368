#include "desktop/StackContainerView.h"

#include "desktop/StackViewModel.h"
#include "desktop/StackWindow.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

StackContainerView::StackContainerView(StackWindow& window)
    : QWidget(&window)
    , m_window(window)
{
    setAcceptDrops(true);
    setMouseTracking(false);
}

QStringList StackContainerView::filePaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls) {
        // A file on another host is no file of ours.
        if (!url.isLocalFile() ||
            !(url.host().isEmpty() || url.host() == QLatin1String("localhost")))
            continue;
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

Qt::DropAction StackContainerView::dropAction(Qt::DropActions possible)
{
    return possible.testFlag(Qt::CopyAction) ? Qt::CopyAction : Qt::MoveAction;
}

void StackContainerView::mousePressEvent(QMouseEvent* event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (event->button() == Qt::LeftButton)
        m_window.mouseDown(global, event->modifiers(), 1);
    else if (event->button() == Qt::MiddleButton)
        m_window.mouseDown(global, event->modifiers(), 1, true);
    else
        QWidget::mousePressEvent(event);
}

void StackContainerView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (event->button() == Qt::LeftButton)
        m_window.mouseDown(global, event->modifiers(), 2);
    // A quick second middle click is another middle click, never a double-click.
    else if (event->button() == Qt::MiddleButton)
        m_window.mouseDown(global, event->modifiers(), 1, true);
    else
        QWidget::mouseDoubleClickEvent(event);
}

void StackContainerView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & (Qt::LeftButton | Qt::MiddleButton))
        m_window.mouseDragged(event->globalPosition().toPoint());
}

void StackContainerView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton)
        m_window.mouseUp();
    else
        QWidget::mouseReleaseEvent(event);
}

void StackContainerView::contextMenuEvent(QContextMenuEvent* event)
{
    m_window.showContextMenu(event->globalPos());
}

void StackContainerView::dragEnterEvent(QDragEnterEvent* event)
{
    if (filePaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    m_window.model().setDropTarget(true);
    event->setDropAction(dropAction(event->possibleActions()));
    event->accept();
}

void StackContainerView::dragMoveEvent(QDragMoveEvent* event)
{
    event->setDropAction(dropAction(event->possibleActions()));
    event->accept();
}

void StackContainerView::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_window.model().setDropTarget(false);
    QWidget::dragLeaveEvent(event);
}

void StackContainerView::dropEvent(QDropEvent* event)
{
    m_window.model().setDropTarget(false);
    if (!m_window.dropFiles(filePaths(event->mimeData()))) {
        event->ignore();
        return;
    }
    event->setDropAction(dropAction(event->possibleActions()));
    event->accept();
}
