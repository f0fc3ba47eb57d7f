#include "runtime/singbox/tun_adapter.h"

#include <algorithm>
#include <string>

#include "common/text.h"

namespace korvane::runtime {
namespace {

using Adapters = std::vector<platform::NetworkAdapter>;

const platform::NetworkAdapter* findAdapter(const Adapters& adapters,
                                            std::string_view interfaceName) {
    const std::wstring name = widen(interfaceName);
    const auto found = std::find_if(adapters.begin(), adapters.end(), [&](const auto& adapter) {
        return adapter.present && equalsIgnoringAsciiCase(adapter.friendlyName, name);
    });
    return found == adapters.end() ? nullptr : &*found;
}

std::string_view withoutPrefixLength(std::string_view address) {
    return address.substr(0, address.find('/'));
}

bool upWithAddress(const platform::NetworkAdapter& adapter, std::string_view address) {
    return adapter.up &&
           std::any_of(adapter.addresses.begin(), adapter.addresses.end(),
                       [&](const std::string& held) {
                           return withoutPrefixLength(held) == withoutPrefixLength(address);
                       });
}

// Sleeps until `pause` after `lookStarted`, and not past `deadline`: a look
// takes time of its own (some 15 ms under Wine), which the pause absorbs.
void sleepUntilNextLook(Clock& clock, Clock::TimePoint lookStarted, Clock::Duration pause,
                        Clock::TimePoint deadline) {
    const Clock::TimePoint next = std::min(lookStarted + pause, deadline);
    if (const Clock::TimePoint now = clock.now(); next > now) {
        clock.sleep(next - now);
    }
}

}  // namespace

Result<bool> waitUntilAdapterGone(Clock& clock, const AdapterListing& adapters,
                                  std::string_view interfaceName) {
    const Clock::TimePoint deadline = clock.now() + kLingeringAdapterLimit;
    for (;;) {
        const Clock::TimePoint lookStarted = clock.now();
        KORVANE_TRY_ASSIGN(const Adapters listed, adapters());
        if (findAdapter(listed, interfaceName) == nullptr) {
            return true;
        }
        if (clock.now() >= deadline) {
            return false;
        }
        sleepUntilNextLook(clock, lookStarted, kLingeringAdapterPause, deadline);
    }
}

Result<AdapterWait> waitForAdapterUp(Clock& clock, Clock::TimePoint launched,
                                     const AdapterListing& adapters, std::string_view interfaceName,
                                     std::string_view address,
                                     const std::function<Result<bool>()>& running) {
    const Clock::TimePoint deadline = launched + kAdapterLimit;
    for (;;) {
        const Clock::TimePoint lookStarted = clock.now();
        KORVANE_TRY_ASSIGN(const bool stillRunning, running());
        if (!stillRunning) {
            return AdapterWait::Exited;
        }
        if (const auto listed = adapters()) {
            const platform::NetworkAdapter* adapter = findAdapter(*listed, interfaceName);
            if (adapter != nullptr && upWithAddress(*adapter, address)) {
                return AdapterWait::Up;
            }
        }
        if (clock.now() >= deadline) {
            return AdapterWait::NotSeen;
        }
        sleepUntilNextLook(clock, lookStarted, kAdapterPause, deadline);
    }
}

}  // namespace korvane::runtime
