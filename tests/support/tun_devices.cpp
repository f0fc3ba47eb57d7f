#include "tests/support/tun_devices.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "platform/network_adapters.h"
#include "platform/wide.h"
#include "tests/support/file_content.h"

namespace korvane::test {
namespace {

using namespace std::chrono_literals;

std::filesystem::path requestsFolder() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"KORVANE_TUN_REQUESTS", buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::filesystem::path(buffer)
                                           : std::filesystem::path();
}

// Writes the request whole, then waits until the helper removed it.
bool request(const std::string& name, const char* verb, const std::string& content) {
    const std::filesystem::path request = requestsFolder() / (name + "." + verb);
    const std::filesystem::path partial = request.native() + L".partial";
    writeFile(partial, content);
    std::filesystem::rename(partial, request);
    for (auto waited = 0ms; waited < 5s; waited += 10ms) {
        if (!std::filesystem::exists(request)) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

bool adapterListed(const std::string& name) {
    const auto adapters = platform::listNetworkAdapters();
    return adapters && std::any_of(adapters->begin(), adapters->end(), [&](const auto& adapter) {
               return adapter.present && adapter.friendlyName == platform::widen(name);
           });
}

}  // namespace

bool tunDevicesAvailable() {
    return !requestsFolder().empty();
}

bool makeTunDevice(const std::string& name, const std::string& address) {
    return request(name, "up", address + "\n");
}

bool deleteTunDevice(const std::string& name) {
    return request(name, "down", "");
}

bool waitForAdapter(const std::string& name, bool listed, std::chrono::milliseconds limit) {
    for (auto waited = 0ms;; waited += 25ms) {
        if (adapterListed(name) == listed) {
            return true;
        }
        if (waited >= limit) {
            return false;
        }
        std::this_thread::sleep_for(25ms);
    }
}

}  // namespace korvane::test
