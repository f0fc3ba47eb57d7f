#include "updater/command_line.h"

#include <limits>

namespace korvane::updater {

std::optional<std::uint32_t> parsePid(std::wstring_view text) {
    if (text.starts_with(L'+')) {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
        // Checked at every digit, so the 64-bit accumulator cannot overflow.
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(value);
}

UpdaterOptions parseUpdaterArguments(std::span<const std::wstring> arguments) {
    UpdaterOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& flag = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        // A flag without a value clears what an earlier occurrence set.
        const std::optional<std::wstring> value =
            hasValue ? std::optional<std::wstring>(arguments[i + 1]) : std::nullopt;
        if (flag == L"--pid") {
            options.pid = value ? parsePid(*value) : std::nullopt;
        } else if (flag == L"--source") {
            options.source = value;
        } else if (flag == L"--target") {
            options.target = value;
        } else if (flag == L"--launch") {
            options.launch = value;
        } else {
            continue;
        }
        ++i;  // the value is consumed, whatever it looks like
    }
    return options;
}

bool asksForVersion(std::span<const std::wstring> arguments) {
    return arguments.size() == 1 && arguments.front() == L"--version";
}

Result<UpdateRequest> requireUpdaterOptions(const UpdaterOptions& options) {
    if (!options.pid) {
        return fail("Missing updater pid argument");
    }
    if (!options.source) {
        return fail("Missing updater source argument");
    }
    if (!options.target) {
        return fail("Missing updater target argument");
    }
    if (!options.launch) {
        return fail("Missing updater launch argument");
    }
    return UpdateRequest{*options.pid, *options.source, *options.target, *options.launch};
}

}  // namespace korvane::updater
