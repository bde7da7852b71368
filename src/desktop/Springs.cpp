#include "desktop/Springs.h"

#include <cmath>
#include <numbers>

namespace Springs {

namespace {
constexpr qreal quickResponse = 0.25;
constexpr qreal quickDamping = 0.7;
constexpr qreal livelyResponse = 0.35;
constexpr qreal livelyDamping = 0.6;

// QEasingCurve takes plain functions: one per spring.
qreal quickCurve(qreal progress)
{
    const qreal t = progress * settlingSeconds(quickResponse, quickDamping);
    return progress >= 1 ? 1 : position(t, quickResponse, quickDamping);
}

qreal livelyCurve(qreal progress)
{
    const qreal t = progress * settlingSeconds(livelyResponse, livelyDamping);
    return progress >= 1 ? 1 : position(t, livelyResponse, livelyDamping);
}

Spring make(QEasingCurve::EasingFunction function, qreal response, qreal damping)
{
    QEasingCurve curve;
    curve.setCustomType(function);
    return {curve, int(std::lround(settlingSeconds(response, damping) * 1000))};
}
} // namespace

qreal position(qreal t, qreal response, qreal damping)
{
    const qreal omega = 2 * std::numbers::pi / response;
    const qreal decay = damping * omega;
    const qreal damped = omega * std::sqrt(1 - damping * damping);
    return 1 -
           std::exp(-decay * t) * (std::cos(damped * t) + decay / damped * std::sin(damped * t));
}

qreal settlingSeconds(qreal response, qreal damping)
{
    return std::log(1000.0) / (damping * 2 * std::numbers::pi / response);
}

Spring quick()
{
    return make(&quickCurve, quickResponse, quickDamping);
}

Spring lively()
{
    return make(&livelyCurve, livelyResponse, livelyDamping);
}

} // namespace Springs
