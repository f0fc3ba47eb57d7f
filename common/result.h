#pragma once
// Every operation of the service returns its value or a human-readable failure
// message; there are no error codes inside the service.

#include <expected>
#include <string>

namespace korvane {

template <typename T>
using Result = std::expected<T, std::string>;

// Success of an operation that has no value.
using Status = std::expected<void, std::string>;

inline std::unexpected<std::string> fail(std::string message) {
    return std::unexpected<std::string>(std::move(message));
}

}  // namespace korvane
