#pragma once
// The text of naive.exe's configuration file. Portable: building it is plain
// text handling; naive_runner writes it.

#include <string>
#include <string_view>

#include "common/result.h"
#include "runtime/naive/local_socks_port.h"
#include "runtime/records/records.h"

namespace korvane::runtime {

// Every byte except ASCII letters, digits and "-._~" as "%XX" (upper case).
std::string percentEncode(std::string_view text);

// {"listen", "log", "proxy"} printed with two-space indentation and no final
// line break; the serialiser's message when a text is not UTF-8.
Result<std::string> naiveConfigText(const AccessServer& server);

}  // namespace korvane::runtime
