#pragma once

#include <QEasingCurve>

// Easing curves that follow a damped spring released from rest: they overshoot and settle as
// a spring of the given response (its undamped period, in seconds) and damping fraction does.
// The duration to animate with is the time the spring takes to come within 0.1 % of its goal.
namespace Springs {

struct Spring
{
    QEasingCurve curve;
    int milliseconds;
};

// Response 0.25 s, damping 0.7: a quick, slightly bouncy change (drop targets).
Spring quick();
// Response 0.35 s, damping 0.6: a livelier entrance (a window appearing).
Spring lively();

// The spring's position at `t` seconds, from 0 towards 1.
qreal position(qreal t, qreal response, qreal damping);
qreal settlingSeconds(qreal response, qreal damping);

} // namespace Springs
