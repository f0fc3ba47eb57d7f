#include "service/host/status_report.h"

#include <windows.h>
#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/log/service_log.h"
#include "common/result.h"
#include "common/secret_text.h"
#include "common/version.h"
#include "platform/handles.h"
#include "platform/module_path.h"
#include "platform/os_error.h"
#include "platform/wide.h"
#include "platform/winsock.h"
#include "runtime/process/file_io.h"
#include "runtime/process/log_tail.h"
#include "service/host/install_folder_check.h"
#include "service/host/service_names.h"
#include "service/host/status_text.h"
#include "service/ipc/ipc_server.h"

namespace korvane::service {
namespace {

namespace fs = std::filesystem;
using platform::UniqueServiceHandle;

constexpr std::size_t kShownLogLines = 10;
// A start in progress can hold the endpoint for several seconds.
constexpr DWORD kEndpointTimeoutMs = 10000;

const char* stateName(DWORD state) {
    switch (state) {
        case SERVICE_STOPPED:
            return "stopped";
        case SERVICE_START_PENDING:
            return "starting";
        case SERVICE_STOP_PENDING:
            return "stopping";
        case SERVICE_RUNNING:
            return "running";
        case SERVICE_CONTINUE_PENDING:
            return "continuing";
        case SERVICE_PAUSE_PENDING:
            return "pausing";
        case SERVICE_PAUSED:
            return "paused";
        default:
            return "in an unknown state";
    }
}

const char* startTypeName(DWORD startType) {
    switch (startType) {
        case SERVICE_AUTO_START:
            return "automatic";
        case SERVICE_DEMAND_START:
            return "manual";
        case SERVICE_DISABLED:
            return "disabled";
        case SERVICE_BOOT_START:
            return "boot";
        case SERVICE_SYSTEM_START:
            return "system";
        default:
            return "unknown";
    }
}

std::string startTypeOf(SC_HANDLE service) {
    DWORD needed = 0;
    ::QueryServiceConfigW(service, nullptr, 0, &needed);
    std::vector<unsigned char> buffer(std::max<DWORD>(needed, sizeof(QUERY_SERVICE_CONFIGW)));
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!::QueryServiceConfigW(service, config, static_cast<DWORD>(buffer.size()), &needed)) {
        return "unknown (" + platform::lastOsErrorText() + ")";
    }
    return startTypeName(config->dwStartType);
}

std::string serviceLine() {
    const UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        return "unknown (" + platform::lastOsErrorText() + ")";
    }
    const UniqueServiceHandle service(
        ::OpenServiceW(manager.get(), kServiceName, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
    if (!service) {
        if (::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) {
            return "not installed";
        }
        return "unknown (" + platform::lastOsErrorText() + ")";
    }
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                                reinterpret_cast<BYTE*>(&status), sizeof status, &needed)) {
        return "installed, state unknown (" + platform::lastOsErrorText() + ")";
    }
    return std::string(stateName(status.dwCurrentState)) + ", pid " +
           std::to_string(status.dwProcessId) + ", start type " + startTypeOf(service.get());
}

// One GET /health over a fresh connection, closed abortively so that no
// TIME_WAIT entry keeps the service from binding the port again.
Result<std::string> askForHealth() {
    if (Status started = platform::ensureWinsock(); !started) {
        return fail(started.error());
    }
    const platform::UniqueSocket connection(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!connection) {
        return fail(platform::lastSocketErrorText());
    }
    const linger abortive{1, 0};
    ::setsockopt(connection.get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                 sizeof abortive);
    const DWORD timeout = kEndpointTimeoutMs;
    for (const int option : {SO_RCVTIMEO, SO_SNDTIMEO}) {
        ::setsockopt(connection.get(), SOL_SOCKET, option, reinterpret_cast<const char*>(&timeout),
                     sizeof timeout);
    }
    const sockaddr_in address = platform::loopbackAddress(kIpcPort);
    if (::connect(connection.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
        0) {
        return fail(platform::lastSocketErrorText());
    }
    const std::string_view request = "GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    if (::send(connection.get(), request.data(), static_cast<int>(request.size()), 0) !=
        static_cast<int>(request.size())) {
        return fail(platform::lastSocketErrorText());
    }
    std::string answer;
    char buffer[4096];
    for (;;) {
        const int received = ::recv(connection.get(), buffer, sizeof buffer, 0);
        if (received > 0) {
            answer.append(buffer, static_cast<std::size_t>(received));
            continue;
        }
        if (received == 0 || !answer.empty()) {
            return answer;  // the endpoint closes after its one answer
        }
        return fail(platform::lastSocketErrorText());
    }
}

std::string utcText(const FILETIME& time) {
    SYSTEMTIME utc{};
    if (!::FileTimeToSystemTime(&time, &utc)) {
        return "unknown";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", utc.wYear, utc.wMonth,
                  utc.wDay, utc.wHour, utc.wMinute, utc.wSecond);
    return text;
}

std::string logLines(const fs::path& logs) {
    std::vector<std::string> lines;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((logs / L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return "Logs: none (" + platform::lastOsErrorText() + ")\n";
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;
        }
        const std::uint64_t size =
            (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        lines.push_back("Log: " + platform::narrow(found.cFileName) + ", " + std::to_string(size) +
                        " bytes, last written " + utcText(found.ftLastWriteTime) + "\n");
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines) {
        text += line;
    }
    return text.empty() ? "Logs: none\n" : text;
}

std::string serviceLogTail(const fs::path& logs) {
    // The log may be up to its rotation size; ten lines are well within its end.
    const auto tail = runtime::readFileTail(logs / log::kServiceLogName, runtime::kLogTailBytes);
    if (!tail) {
        return std::string("Last lines of ") + log::kServiceLogName +
               ": cannot be read: " + tail.error() + "\n";
    }
    std::string text = std::string("Last lines of ") + log::kServiceLogName + ":\n";
    for (const std::string& line :
         lastLines(runtime::wholeLines(tail->content, tail->cut), kShownLogLines)) {
        text += "  " + withoutSecrets(line) + "\n";
    }
    return text;
}

// The same findings as install's warnings, for this executable: one line each.
std::string installFolderLines() {
    const Result<fs::path> running = platform::currentExecutablePath();
    if (!running) {
        return "Install folder: not checked (" + running.error() + ")\n";
    }
    const std::vector<std::string> warnings = installFolderWarnings(installPaths(*running));
    if (warnings.empty()) {
        return "Install folder: only administrators and the system can change it\n";
    }
    std::string lines;
    for (const std::string& warning : warnings) {
        lines += "Install folder: " + warning + "\n";
    }
    return lines;
}

}  // namespace

StatusReport collectStatusReport(const fs::path& dataFolder) {
    StatusReport report;
    report.text = "Version: " + std::string(versionText()) + "\n";
    report.text += "Service: " + serviceLine() + "\n";
    const std::string endpoint = "127.0.0.1:" + std::to_string(kIpcPort);
    const Result<std::string> health = askForHealth();
    report.endpointAnswered = health.has_value();
    report.text += health ? "Endpoint: " + endpoint + " answered: " + describeHealthAnswer(*health)
                          : "Endpoint: " + endpoint + " did not answer (" + health.error() + ")";
    report.text += "\n";
    report.text += "Data folder: " + platform::narrow(dataFolder.native()) + "\n";
    report.text += installFolderLines();
    report.text += logLines(dataFolder / "logs");
    report.text += serviceLogTail(dataFolder / "logs");
    return report;
}

}  // namespace korvane::service
