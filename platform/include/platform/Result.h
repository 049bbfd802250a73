#pragma once

#include <type_traits>
#include <utility>
#include <variant>

#include "platform/SystemError.h"

namespace platform {

// What a platform call that can fail gives back: the value it produced, or
// the SystemError that stopped it -- one of the two, never both. Making or
// moving one allocates nothing that its value or error would not, so the
// transfer calls of a serial port return one on their hot path.
//
//     const Result<std::size_t> count = port.read(buffer);
//     if (!count) {
//         log.report("TrxRead", count.error());
//     }
//
// Asking a failure for its value is a programming error (it throws
// std::bad_variant_access); asking a success for its error gives a
// SystemError that has not failed.
template <typename T>
class Result {
    static_assert(!std::is_same_v<std::remove_cv_t<T>, SystemError>, "a result's value is not an error");

  public:
    using ValueType = T;

    Result(const T& value) : state_(std::in_place_index<0>, value) {}
    Result(T&& value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(SystemError error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    // The value, or fallback for a failure.
    T valueOr(T fallback) const& { return ok() ? value() : std::move(fallback); }

    const SystemError& error() const {
        const SystemError* failure = std::get_if<1>(&state_);
        return failure != nullptr ? *failure : noError();
    }

  private:
    static const SystemError& noError() {
        static const SystemError none;
        return none;
    }

    std::variant<T, SystemError> state_;
};

// A call that produces nothing but can fail: success, or the error.
template <>
class Result<void> {
  public:
    using ValueType = void;

    Result() = default;
    Result(SystemError error) : failed_(true), error_(std::move(error)) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const SystemError& error() const { return error_; }

  private:
    bool failed_ = false;
    SystemError error_;
};

// A result equals a plain value when it succeeded with that value; a failure
// equals no value ("port.waitReadable(20) == WaitResult::TimedOut").
template <typename T>
bool operator==(const Result<T>& result, const std::type_identity_t<T>& expected) {
    return result.ok() && result.value() == expected;
}

}  // namespace platform
