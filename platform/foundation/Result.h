#pragma once
#include "platform/foundation/Failure.h"

#include <optional>
#include <stdexcept>
#include <utility>
#include <variant>

// A value, or the Failure that stood in its way. Callers ask ok() before they take the value:
// taking the value of a failure, or the failure of a value, is a fault in the caller and throws.
// There is no conversion to bool, so that a Result<bool> cannot be mistaken for its value.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) { }
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) { }

    bool ok() const { return state_.index() == 0; }

    const T& value() const&
    {
        check(true);
        return std::get<0>(state_);
    }
    T& value() &
    {
        check(true);
        return std::get<0>(state_);
    }
    T&& value() &&
    {
        check(true);
        return std::get<0>(std::move(state_));
    }
    T valueOr(T fallback) const { return ok() ? std::get<0>(state_) : std::move(fallback); }

    const Failure& failure() const
    {
        check(false);
        return std::get<1>(state_);
    }

private:
    void check(bool wantValue) const
    {
        if (ok() != wantValue)
            throw std::logic_error(wantValue ? "the value of a failed result was taken: " + std::get<1>(state_).message
                                             : "the failure of a result that holds a value was taken");
    }

    std::variant<T, Failure> state_;
};

// Success, or the Failure that stood in its way, for operations that give back nothing else.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failure_(std::move(failure)) { }

    bool ok() const { return !failure_; }
    const Failure& failure() const
    {
        if (!failure_)
            throw std::logic_error("the failure of a result that succeeded was taken");
        return *failure_;
    }

private:
    std::optional<Failure> failure_;
};
