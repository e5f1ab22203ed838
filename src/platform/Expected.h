#pragma once

#include <optional>
#include <utility>
#include <variant>

namespace pellora {

// Tag that marks the error alternative, so Expected<int, int> stays unambiguous.
template <typename E>
struct Unexpected {
    E error;
};

template <typename E>
Unexpected<E> unexpected(E error) { return Unexpected<E>{std::move(error)}; }

// A value or the reason there is none. A small stand-in for C++23's
// std::expected, which our C++20 toolchain does not have. Dropping one unread
// would drop the failure with it.
template <typename T, typename E>
class [[nodiscard]] Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Expected(Unexpected<E> failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    template <typename U>
    T value_or(U&& fallback) const& { return has_value() ? value() : static_cast<T>(std::forward<U>(fallback)); }

    const E& error() const { return std::get<1>(state_); }

private:
    std::variant<T, E> state_;
};

// Nothing, or the reason: what an operation that only succeeds or fails
// returns. Dropping it unread would drop the failure with it.
template <typename E>
class [[nodiscard]] Expected<void, E> {
public:
    Expected() = default;
    Expected(Unexpected<E> failure) : failure_(std::move(failure.error)) {}

    bool has_value() const { return !failure_.has_value(); }
    explicit operator bool() const { return has_value(); }

    const E& error() const { return *failure_; }

private:
    std::optional<E> failure_;
};

} // namespace pellora
