#pragma once

#include "desktop/PreviewCell.h"

#include <QList>
#include <QWidget>

class FileSystem;
class QGridLayout;
class QLabel;
class QScrollArea;
class QScrollBar;
class StackPreviewModel;
class ThumbnailLoader;

// The preview's content: the stack's name and item count over a scrolling grid of its files,
// one PreviewCell each, up to four columns, centred.
class StackPreviewView : public QWidget
{
    Q_OBJECT

public:
    StackPreviewView(StackPreviewModel& model, const QString& name, ThumbnailLoader& thumbnails,
                     const FileSystem& fileSystem, PreviewCell::Actions actions,
                     QWidget* parent = nullptr);

    // "1 item", "3 items".
    static QString countText(qsizetype count);
    QString countLabel() const;
    QString nameLabel() const;
    const QList<PreviewCell*>& cells() const { return m_cells; }
    QScrollArea* scrollArea() const { return m_scroll; }

private:
    static void styleScrollBar(QScrollBar* bar);
    void rebuild();
    void loadThumbnail(PreviewCell* cell);

    StackPreviewModel& m_model;
    ThumbnailLoader& m_thumbnails;
    const FileSystem& m_fileSystem;
    PreviewCell::Actions m_actions;
    QLabel* m_name;
    QLabel* m_count;
    QScrollArea* m_scroll;
    QWidget* m_grid;
    QGridLayout* m_layout;
    QList<PreviewCell*> m_cells;
};
