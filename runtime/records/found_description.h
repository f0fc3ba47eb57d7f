#pragma once
// How a value that the reader did not want is shown in "invalid type: <found>,
// expected <wanted>" and "invalid value: <found>, expected u16".

#include <string>
#include <string_view>

#include "runtime/records/json_number.h"

namespace korvane::runtime {

// "integer `443`", "integer `-1`", or "floating point `443.0`": floating-point
// values in plain decimal notation with the fewest digits that read back to
// the same value, always with a decimal point.
std::string describeNumber(const JsonNumber& number);

// "string \"...\"": the value between double quotes with \" \\ \n \t \r \0
// escaped and other control, non-printable and combining characters written
// as \u{hex} (lower-case hex digits, no leading zeros); everything else as is.
// `value` must be valid UTF-8.
std::string describeString(std::string_view value);

}  // namespace korvane::runtime
