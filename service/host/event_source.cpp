#include "service/host/event_source.h"

#include <windows.h>

#include <string>

#include "platform/handles.h"
#include "platform/os_error.h"

namespace korvane::service {
namespace {

constexpr DWORD kTypesSupported =
    EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;

Status registrationFailure(LSTATUS error) {
    return fail("Failed to register the event source: " +
                platform::osErrorText(static_cast<std::uint32_t>(error)));
}

}  // namespace

Status registerEventSource(const std::filesystem::path& messageFile) {
    platform::UniqueRegistryKey key;
    LSTATUS result =
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (result != ERROR_SUCCESS) {
        return registrationFailure(result);
    }
    const std::wstring& file = messageFile.native();
    result = ::RegSetValueExW(key.get(), L"EventMessageFile", 0, REG_EXPAND_SZ,
                              reinterpret_cast<const BYTE*>(file.c_str()),
                              static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)));
    if (result != ERROR_SUCCESS) {
        return registrationFailure(result);
    }
    result =
        ::RegSetValueExW(key.get(), L"TypesSupported", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&kTypesSupported), sizeof kTypesSupported);
    if (result != ERROR_SUCCESS) {
        return registrationFailure(result);
    }
    return {};
}

Status unregisterEventSource() {
    const LSTATUS result = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEventSourceKey);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
        return fail("Failed to remove the event source: " +
                    platform::osErrorText(static_cast<std::uint32_t>(result)));
    }
    return {};
}

}  // namespace korvane::service
