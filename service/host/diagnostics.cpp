#include "service/host/diagnostics.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/log/service_log.h"
#include "common/version.h"
#include "platform/network_adapters.h"
#include "platform/os_error.h"
#include "platform/wide.h"
#include "runtime/process/file_io.h"
#include "runtime/process/previous_log.h"
#include "service/host/diagnostics_text.h"
#include "service/host/status_report.h"

namespace korvane::service {
namespace {

namespace fs = std::filesystem;

// tun.json holds the routing rules of every application and site; neither
// file comes near this.
constexpr std::size_t kConfigurationFileLimit = 4 * 1024 * 1024;
// Room for the heading lines of the quoted logs, whatever their names.
constexpr std::size_t kLogHeadingsRoom = 64 * 1024;

std::string utcStamp() {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u%02u%02uT%02u%02u%02uZ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    return text;
}

std::string windowsLines() {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto getVersion = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void*>(ntdll ? ::GetProcAddress(ntdll, "RtlGetVersion") : nullptr));
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    std::string text = "Windows: ";
    if (getVersion && getVersion(&version) == 0) {
        text += std::to_string(version.dwMajorVersion) + "." +
                std::to_string(version.dwMinorVersion) + "." +
                std::to_string(version.dwBuildNumber);
        if (version.szCSDVersion[0] != L'\0') {
            text += " " + platform::narrow(version.szCSDVersion);
        }
    } else {
        text += "unknown";
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    text += "\nElevated: ";
    if (::GetTokenInformation(::GetCurrentProcessToken(), TokenElevation, &elevation,
                              sizeof elevation, &size)) {
        text += elevation.TokenIsElevated ? "yes" : "no";
    } else {
        text += "unknown (" + platform::lastOsErrorText() + ")";
    }
    return text + "\n";
}

std::string adapterLines() {
    const auto adapters = platform::listNetworkAdapters();
    if (!adapters) {
        return "not listed: " + adapters.error() + "\n";
    }
    std::string text;
    for (const platform::NetworkAdapter& adapter : *adapters) {
        text += platform::narrow(adapter.friendlyName) + ": " + (adapter.up ? "up" : "down");
        for (std::size_t i = 0; i < adapter.addresses.size(); ++i) {
            text += (i == 0 ? ", " : " ") + adapter.addresses[i];
        }
        text += "\n";
    }
    return text.empty() ? "none\n" : text;
}

std::string configurationFile(const fs::path& path) {
    std::string text = platform::narrow(path.native()) + "\n";
    const auto content = runtime::readWholeFile(path, kConfigurationFileLimit);
    if (!content) {
        return text + "not readable: " + content.error() + "\n";
    }
    const auto masked = maskedJsonFile(*content);
    return text + (masked ? *masked : masked.error() + "\n");
}

struct LogFile {
    fs::path path;
    Result<std::uint64_t> size;
};

Result<std::uint64_t> fileSize(const fs::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return fail(platform::lastOsErrorText());
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// service.3.log ... service.1.log where present, then service.log.
std::vector<LogFile> serviceLogs(const fs::path& logs) {
    std::vector<LogFile> files;
    for (std::size_t i = log::FileLimits{}.keptFiles; i >= 1; --i) {
        const fs::path rotated = logs / ("service." + std::to_string(i) + ".log");
        if (auto size = fileSize(rotated)) {
            files.push_back({rotated, std::move(size)});
        }
    }
    const fs::path current = logs / log::kServiceLogName;
    files.push_back({current, fileSize(current)});
    return files;
}

std::vector<LogFile> programLogs(const runtime::RuntimeLayout& layout) {
    std::vector<LogFile> files;
    for (const char* name : {"naive", "sing-box"}) {
        const fs::path current = layout.logFile(name);
        const fs::path previous = runtime::previousLogPath(current);
        files.push_back({previous, fileSize(previous)});
        files.push_back({current, fileSize(current)});
    }
    return files;
}

std::string quotedLogFile(const LogFile& file, std::size_t share) {
    const std::string name = platform::narrow(file.path.native());
    if (!file.size) {
        return "--- " + name + ": not readable: " + file.size.error() + " ---\n";
    }
    const auto tail = runtime::readFileTail(file.path, share);
    if (!tail) {
        return "--- " + name + ": not readable: " + tail.error() + " ---\n";
    }
    return quotedLog({name, *file.size, tail->content, tail->cut}, share);
}

std::string reportText(const runtime::RuntimeLayout& layout) {
    const fs::path data = layout.dataFolder();
    std::string text = diagnosticsHeading("Version") + versionLine("korvane_service") + "\n";
    text += diagnosticsHeading("Status") + reportedText(collectStatusReport(data).text);
    text += diagnosticsHeading("Windows") + windowsLines();
    text += diagnosticsHeading("Network adapters") + adapterLines();
    text += diagnosticsHeading("tun.json") + configurationFile(layout.singBoxConfigFile());
    text += diagnosticsHeading("config.json") + configurationFile(layout.naiveConfigFile());

    const std::vector<LogFile> service = serviceLogs(data / "logs");
    const std::vector<LogFile> programs = programLogs(layout);
    std::vector<LogFile> logs = service;
    logs.insert(logs.end(), programs.begin(), programs.end());
    std::vector<std::uint64_t> sizes;
    for (const LogFile& file : logs) {
        sizes.push_back(file.size ? *file.size : 0);
    }
    const std::vector<std::size_t> shares =
        logShares(sizes, kDiagnosticsMaxBytes - kLogHeadingsRoom - text.size());
    for (std::size_t i = 0; i < logs.size(); ++i) {
        if (i == 0) {
            text += diagnosticsHeading("Service log");
        } else if (i == service.size()) {
            text += diagnosticsHeading("Program logs");
        }
        text += quotedLogFile(logs[i], shares[i]);
    }
    return text;
}

fs::path reportPath(const std::optional<fs::path>& target) {
    const std::wstring name = L"korvane-diagnostics-" + platform::widen(utcStamp()) + L".txt";
    if (!target) {
        return name;
    }
    const DWORD attributes = ::GetFileAttributesW(target->c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return *target / name;
    }
    return *target;
}

}  // namespace

Result<fs::path> writeDiagnostics(const runtime::RuntimeLayout& layout,
                                  const std::optional<fs::path>& target) {
    std::error_code ignored;
    fs::path path = reportPath(target);
    if (fs::path absolute = fs::absolute(path, ignored); !absolute.empty()) {
        path = std::move(absolute);
    }
    KORVANE_TRY(runtime::writeWholeFile(path, reportText(layout)));
    return path;
}

}  // namespace korvane::service
