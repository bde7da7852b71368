#pragma once

#include "desktop/StackCard.h"

#include <QColor>
#include <QImage>
#include <QRegion>
#include <QWidget>

class QVariantAnimation;
class StackViewModel;

// Renders a stack window's model: the card of StackCard with the effects of the moment
// (scale, blur, opacity), animated as the model changes. It never handles the mouse; the
// window does.
//
// With a compositor the window is translucent and the desktop shows around the card. Without
// one nothing is translucent: the view then lays its picture over the desktop's colour and
// asks its window (maskChanged) to cut itself to what it paints, so no opaque box ever shows.
class StackView : public QWidget
{
    Q_OBJECT

public:
    struct Effects
    {
        qreal scale = 1;
        qreal blur = 0;
        qreal opacity = 1;
        // The caption grows and fades with the card's entrance and exit only: it is never
        // blurred, and a drag that fades the card keeps "Release to dissolve" readable.
        qreal captionScale = 1;
        qreal captionOpacity = 1;
    };

    explicit StackView(StackViewModel& model, QWidget* parent = nullptr);

    // The effects once every animation has come to rest.
    static Effects restingEffects(bool appeared, bool dissolving, qreal progress, bool dropTarget);
    // The effects as painted now.
    Effects effects() const;
    // Whether the view has been shown (it springs in the first time).
    bool hasAppeared() const { return m_appeared; }

    void setCompositing(bool compositing);
    bool isCompositing() const { return m_compositing; }
    // The colour behind the card when there is no compositor.
    void setBackdrop(const QColor& colour);
    QColor backdrop() const { return m_backdrop; }

    // The picture as painted: premultiplied ARGB, transparent around the card.
    const QImage& frame() const { return m_frame; }
    // Lets every animation jump to its end (tests and screenshots).
    void finishAnimations();

Q_SIGNALS:
    // Without a compositor: the part of the window that shows (the window's whole rectangle
    // otherwise).
    void maskChanged(const QRegion& mask);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // One effect input as it moves towards the model's value.
    struct Channel
    {
        qreal value = 0;
        QVariantAnimation* animation = nullptr;
    };

    void setUp(Channel& channel);
    void animate(Channel& channel, qreal to, const QEasingCurve& curve, int milliseconds);
    void prepareThumbnails();
    void refresh();
    QRegion maskOf(const QImage& frame) const;

    StackViewModel& m_model;
    QList<StackCard::Thumbnail> m_thumbnails;
    QImage m_frame;
    bool m_appeared = false;
    bool m_compositing = true;
    QColor m_backdrop;
    QRegion m_mask;

    Channel m_appear;
    Channel m_dissolve;
    Channel m_progress;
    Channel m_target;
};
