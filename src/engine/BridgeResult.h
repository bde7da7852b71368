#pragma once

#include "engine/BridgeError.h"

#include <QtGlobal>

#include <utility>
#include <variant>

// What a bridge operation gives back: its value, or the BridgeError that stopped it.
//
//     const BridgeResult<PositionMap> positions = bridge.desktopPositions(names);
//     if (!positions)
//         return alerts.showError(positions.error().description());
//     use(positions.value());
//
// Reading value() of a failure, or error() of a success, is a programming error.
template<typename T>
class [[nodiscard]] BridgeResult
{
public:
    BridgeResult(T value)
        : m_state(std::in_place_index<0>, std::move(value))
    {}
    BridgeResult(BridgeError error)
        : m_state(std::in_place_index<1>, std::move(error))
    {}

    bool isOk() const { return m_state.index() == 0; }
    explicit operator bool() const { return isOk(); }

    const T& value() const&
    {
        Q_ASSERT(isOk());
        return std::get<0>(m_state);
    }
    T value() &&
    {
        Q_ASSERT(isOk());
        return std::get<0>(std::move(m_state));
    }
    // The value, or `fallback` when the operation failed (callers that count a failure as
    // "nothing known").
    T valueOr(T fallback) const { return isOk() ? std::get<0>(m_state) : std::move(fallback); }
    const BridgeError& error() const
    {
        Q_ASSERT(!isOk());
        return std::get<1>(m_state);
    }

private:
    std::variant<T, BridgeError> m_state;
};

// An operation that gives nothing back but may fail.
template<>
class [[nodiscard]] BridgeResult<void>
{
public:
    BridgeResult() = default;
    BridgeResult(BridgeError error)
        : m_error(std::move(error))
        , m_failed(true)
    {}

    bool isOk() const { return !m_failed; }
    explicit operator bool() const { return isOk(); }
    const BridgeError& error() const
    {
        Q_ASSERT(m_failed);
        return m_error;
    }

private:
    BridgeError m_error;
    bool m_failed = false;
};
