// Stands in for the system's process lister in tests (Wine's own prints
// nothing). Asked with "/FI" "PID eq <pid>" "/NH", it prints one line with the
// image name and the pid when that process runs, else an information line
// without digits. When KORVANE_TASKLIST_RECORD names a file, every run appends
// one line to it: "tasklist" followed by each argument in brackets.

#include <windows.h>
// Needs windows.h first.
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/handles.h"
#include "tests/standins/standin_support.h"

namespace {

using korvane::narrow;
using korvane::platform::UniqueFile;
using korvane::platform::UniqueProcess;

std::vector<std::wstring> arguments() {
    int count = 0;
    const korvane::platform::UniqueLocalMemory<LPWSTR*> argv(
        ::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (!argv) {
        return {};
    }
    return std::vector<std::wstring>(argv.get() + 1, argv.get() + count);
}

void record(const std::vector<std::wstring>& args) {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"KORVANE_TASKLIST_RECORD", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    std::string line = "tasklist";
    for (const std::wstring& arg : args) {
        line += "[" + narrow(arg) + "]";
    }
    line += "\n";
    const UniqueFile file(::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void write(DWORD stream, std::string_view text) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(stream), text.data(), static_cast<DWORD>(text.size()), &written,
                nullptr);
}

std::optional<std::uint32_t> filteredPid(const std::vector<std::wstring>& args) {
    constexpr std::wstring_view prefix = L"PID eq ";
    if (args.size() != 3 || args[0] != L"/FI" || args[2] != L"/NH" ||
        !args[1].starts_with(prefix) || args[1].size() == prefix.size() ||
        args[1].size() > prefix.size() + 10) {
        return std::nullopt;
    }
    std::uint64_t pid = 0;
    for (const wchar_t c : std::wstring_view(args[1]).substr(prefix.size())) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        pid = pid * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    if (pid > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(pid);
}

// The image name of a running process, or nothing when none has that pid.
std::optional<std::string> runningImageName(std::uint32_t pid) {
    const UniqueProcess process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    DWORD exitCode = 0;
    if (!process || !::GetExitCodeProcess(process.get(), &exitCode) || exitCode != STILL_ACTIVE) {
        return std::nullopt;
    }
    wchar_t path[MAX_PATH];
    DWORD size = MAX_PATH;
    if (!::QueryFullProcessImageNameW(process.get(), 0, path, &size)) {
        return "unknown.exe";
    }
    const std::wstring_view full(path, size);
    return narrow(full.substr(full.find_last_of(L"\\/") + 1));
}

}  // namespace

int main() {
    const std::vector<std::wstring> args = arguments();
    record(args);
    const std::optional<std::uint32_t> pid = filteredPid(args);
    if (!pid) {
        write(STD_ERROR_HANDLE, "ERROR: Invalid argument/option.\r\n");
        return 1;
    }
    const std::optional<std::string> image = runningImageName(*pid);
    if (!image) {
        write(STD_OUTPUT_HANDLE,
              "INFO: No tasks are running which match the specified criteria.\r\n");
        return 0;
    }
    std::string line = "\r\n" + *image;
    line.resize(std::max<std::size_t>(line.size(), 27), ' ');
    const std::string pidText = std::to_string(*pid);
    line += std::string(pidText.size() < 8 ? 8 - pidText.size() : 0, ' ') + pidText;
    line += " Console                    1      4,096 K\r\n";
    write(STD_OUTPUT_HANDLE, line);
    return 0;
}
