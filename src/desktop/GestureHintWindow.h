#pragma once

#include "desktop/GestureHint.h"

#include <QWidget>

class QPropertyAnimation;
class Screens;

// The "Release to Stack" capsule that follows the pointer while a Shift-drag is armed: a 150 × 30
// panel above every window and on every workspace, never focused, never hit by the mouse.
class GestureHintWindow : public QWidget, public GestureHint
{
    Q_OBJECT

public:
    static constexpr QSize panelSize{150, 30};

    explicit GestureHintWindow(const Screens& screens);

    void showAt(const QPointF& origin) override;
    void moveTo(const QPointF& origin) override;
    void hide() override;

    // Without a compositor nothing is translucent: the panel is then cut to the capsule.
    void setCompositing(bool compositing);
    // The capsule's rectangle within the panel (at its top-left corner, natural size).
    QRect capsuleRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont labelFont() const;
    void updateMask();

    const Screens& m_screens;
    QPropertyAnimation* m_fade;
    bool m_compositing = false;
};
