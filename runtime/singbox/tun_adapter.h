#pragma once
// The TUN adapter of sing-box.exe as the start sees it: before a launch it
// waits until the adapter of an earlier sing-box.exe has gone, after the launch
// until the new one is up with its address. Portable: the adapters come
// through a seam and the time through the clock.

#include <chrono>
#include <functional>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "common/result.h"
#include "platform/network_adapters.h"

namespace korvane::runtime {

// Where the adapters come from: the system (platform::listNetworkAdapters), or
// a test's own list.
using AdapterListing = std::function<Result<std::vector<platform::NetworkAdapter>>()>;

// How often and how long the start waits for an adapter of the same name to
// go before it launches sing-box.exe.
inline constexpr std::chrono::milliseconds kLingeringAdapterPause{50};
inline constexpr std::chrono::milliseconds kLingeringAdapterLimit{10'000};

// How often and how long the start looks for the new adapter after the launch.
inline constexpr std::chrono::milliseconds kAdapterPause{25};
inline constexpr std::chrono::milliseconds kAdapterLimit{3'000};

// The looks start every pause apart, however long a look takes, and the wait
// ends at the first look at or past its limit.

// Looks at once and then every kLingeringAdapterPause until no present
// adapter's friendly name is `interfaceName` (true) or kLingeringAdapterLimit has passed
// (false). A listing that fails ends the wait with its error: what cannot be
// seen is not waited for.
Result<bool> waitUntilAdapterGone(Clock& clock, const AdapterListing& adapters,
                                  std::string_view interfaceName);

enum class AdapterWait {
    Up,       // the adapter is up and holds the address
    Exited,   // sing-box.exe exited first
    NotSeen,  // kAdapterLimit passed while sing-box.exe still ran
};

// After a launch at `launched` (a time of `clock`): looks at once and then
// every kAdapterPause until a present adapter named `interfaceName` is up and
// holds `address` ("a.b.c.d/len"; the prefix length is not compared), or
// `running` says that sing-box.exe has exited, or kAdapterLimit has passed
// since `launched`. The exit is checked before the adapter, so a program that
// exited fails even though its adapter was seen. A listing that fails counts
// as no adapter; a `running` that fails ends the wait with its error.
Result<AdapterWait> waitForAdapterUp(Clock& clock, Clock::TimePoint launched,
                                     const AdapterListing& adapters, std::string_view interfaceName,
                                     std::string_view address,
                                     const std::function<Result<bool>()>& running);

}  // namespace korvane::runtime
