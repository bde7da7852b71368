#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

// One file in the preview: its thumbnail (its icon until the thumbnail is read) over its name.
// A click opens the file; a drag carries it out of the stack, as a move.
class PreviewCell : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize cellSize{125, 149};
    // The image's frame: the cell's width less 24.
    static constexpr int imageSide = 101;
    static constexpr QSize dragImageSize{80, 80};
    // How far the pointer must move with the button held before a drag begins.
    static constexpr int dragDistance = 4;

    struct Actions
    {
        // The cell was clicked.
        std::function<void(const QString& path)> open;
        // A drag of the file out of the cell begins (true) or is over (false).
        std::function<void(bool dragging)> dragging;
    };

    PreviewCell(const QString& path, Actions actions, QWidget* parent = nullptr);

    QString path() const { return m_path; }
    void setImage(const QImage& image);
    const QImage& image() const { return m_image; }
    bool isHovered() const { return m_hovering; }
    // The name as drawn, one entry per line.
    QStringList nameLines() const;
    // The image a drag of this cell shows, 80 × 80.
    QPixmap dragImage() const;
    // The part of a drag image that shows (logical pixels): where it is not transparent.
    static QRegion dragShape(const QPixmap& pixmap);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QFont nameFont() const;
    void startDrag();

    QString m_path;
    Actions m_actions;
    QImage m_image;
    QImage m_shadow;
    bool m_hovering = false;
    std::optional<QPoint> m_pressPoint;
    bool m_dragging = false;
};
