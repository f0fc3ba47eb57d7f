#pragma once
// A JSON number as the reader met it.

#include <cstdint>

namespace korvane::runtime {

// Non-negative integers, negative integers (-0 and integers beyond 64 bits
// read as floating point), floating point.
struct JsonNumber {
    enum class Kind { unsignedInteger, signedInteger, floatingPoint };
    Kind kind = Kind::unsignedInteger;
    std::uint64_t unsignedValue = 0;
    std::int64_t signedValue = 0;
    double floatValue = 0;
};

}  // namespace korvane::runtime
