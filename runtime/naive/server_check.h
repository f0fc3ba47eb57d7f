#pragma once
// The checks that come before naive.exe is started.

#include <cstdint>
#include <string_view>

namespace korvane::runtime {

// A listener can be bound to 127.0.0.1 on `port` (it is closed again at once).
bool loopbackPortFree(std::uint16_t port);

// `host` (exactly as given) resolves through the system resolver, and the
// first address it gives accepts a TCP connection within 3 seconds. A host
// holding a NUL character resolves to nothing.
bool serverReachable(std::string_view host, std::uint16_t port);

}  // namespace korvane::runtime
