#pragma once

#include "operations/MenuBarIconView.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QObject>

// Draws the tray icon: the idle symbol (three stacked squares, the front one at the lower
// right) and the twelve frames of the working spinner, each 18 × 18 points at the device
// pixel ratio. The images are drawn once, in one ink like a template image, and reused; a rim
// colour, when not transparent, outlines every stroke so it reads on any background.
class MenuBarIconPainter : public QObject, public MenuBarIconView
{
    Q_OBJECT

public:
    explicit MenuBarIconPainter(qreal devicePixelRatio = 1.0, QColor ink = Qt::black,
                                QColor rim = Qt::transparent, QObject* parent = nullptr);

    void showIdle() override;
    void showWorkingFrame(int frame) override;

    // What the icon shows now, and the same as an icon for the tray.
    const QImage& image() const { return m_current; }
    QIcon icon() const;
    // The icon's accessible description.
    static QString accessibleName();

    // Working frame k: twelve spokes around the centre, spoke k the darkest, each following
    // one a little lighter.
    static QImage workingFrame(int frame, qreal devicePixelRatio, const QColor& ink,
                               const QColor& rim = Qt::transparent);
    static QImage idleImage(qreal devicePixelRatio, const QColor& ink,
                            const QColor& rim = Qt::transparent);

Q_SIGNALS:
    void imageChanged(const QImage& image);

private:
    void show(const QImage& image);

    QImage m_idle;
    QList<QImage> m_frames;
    QImage m_current;
};
