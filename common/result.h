#pragma once
// Every operation of the service returns its value or a human-readable failure
// message; there are no error codes inside the service.
//
// Result<T> is std::expected<T, std::string> that the compiler will not let a
// caller drop: ignoring a returned Result or Status is an error under -Werror
// and /WX. Where dropping one is deliberate, write `(void)` and say why.
// A Result<bool> holds two answers, so it is never tested with `!`: write
// has_value() for "no failure" and compare the value for the answer.

#include <expected>
#include <string>
#include <utility>

namespace korvane {

template <typename T>
class [[nodiscard]] Result : public std::expected<T, std::string> {
    using Base = std::expected<T, std::string>;

  public:
    using Base::Base;
    // What std::expected's own operations return (and_then, transform and the
    // like, where the standard library has them) becomes a Result again.
    constexpr Result(const Base& other) : Base(other) {}
    constexpr Result(Base&& other) : Base(std::move(other)) {}
};

// Success of an operation that has no value.
using Status = Result<void>;

inline std::unexpected<std::string> fail(std::string message) {
    return std::unexpected<std::string>(std::move(message));
}

}  // namespace korvane

// Passes a failure up in one line, from a function that returns a Result or a
// Status:
//     KORVANE_TRY(writeConfig(path));
// N.B. Plain statements rather than a statement expression, so that MSVC
// builds them too.
#define KORVANE_TRY(expression)                                  \
    do {                                                         \
        auto&& korvane_try_result_ = (expression);               \
        if (!korvane_try_result_.has_value()) {                  \
            return ::korvane::fail(korvane_try_result_.error()); \
        }                                                        \
    } while (false)

// The same for an expression with a value, which then initialises `target`:
//     KORVANE_TRY_ASSIGN(const std::string text, readFile(path));
// It expands to several statements: use it only directly in a block.
#define KORVANE_TRY_ASSIGN(target, expression) \
    KORVANE_TRY_ASSIGN_IMPL(target, expression, KORVANE_TRY_CONCAT(korvane_try_value_, __LINE__))

#define KORVANE_TRY_CONCAT_IMPL(a, b) a##b
#define KORVANE_TRY_CONCAT(a, b) KORVANE_TRY_CONCAT_IMPL(a, b)
#define KORVANE_TRY_ASSIGN_IMPL(target, expression, temporary) \
    auto temporary = (expression);                             \
    if (!temporary.has_value()) {                              \
        return ::korvane::fail(temporary.error());             \
    }                                                          \
    target = std::move(*temporary)
