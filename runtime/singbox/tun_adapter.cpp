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
        return equalsIgnoringAsciiCase(adapter.friendlyName, name);
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

}  // namespace

Result<bool> waitUntilAdapterGone(Clock& clock, const AdapterListing& adapters,
                                  std::string_view interfaceName) {
    const Clock::TimePoint deadline = clock.now() + kLingeringAdapterLimit;
    for (;;) {
        KORVANE_TRY_ASSIGN(const Adapters listed, adapters());
        if (findAdapter(listed, interfaceName) == nullptr) {
            return true;
        }
        if (clock.now() >= deadline) {
            return false;
        }
        clock.sleep(kLingeringAdapterPause);
    }
}

Result<AdapterWait> waitForAdapterUp(Clock& clock, Clock::TimePoint launched,
                                     const AdapterListing& adapters, std::string_view interfaceName,
                                     std::string_view address,
                                     const std::function<Result<bool>()>& running) {
    const Clock::TimePoint deadline = launched + kAdapterLimit;
    for (;;) {
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
        clock.sleep(std::min<Clock::Duration>(kAdapterPause, deadline - clock.now()));
    }
}

}  // namespace korvane::runtime
