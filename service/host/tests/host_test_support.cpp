#include "service/host/tests/host_test_support.h"

#include <tlhelp32.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <thread>

#include "platform/winsock.h"
#include "service/host/event_source.h"
#include "service/host/service_names.h"
#include "service/ipc/ipc_server.h"
#include "service/ipc/tests/loopback_client.h"
#include "tests/support/file_content.h"
#include "tests/support/processes.h"

namespace korvane::service::testing {
namespace {

using Clock = std::chrono::steady_clock;
using platform::UniqueServiceHandle;
using test::waitForExit;

platform::UniqueFile inheritableFile(const std::filesystem::path& file, DWORD access,
                                     DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return platform::UniqueFile(::CreateFileW(file.c_str(), access,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

platform::UniqueProcess launch(const std::filesystem::path& program,
                               const std::vector<std::wstring>& arguments, HANDLE output,
                               HANDLE error) {
    const platform::UniqueFile input = inheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
    Result<test::StartedProcess> started = test::startProcess({.program = program,
                                                               .arguments = arguments,
                                                               .input = input.get(),
                                                               .output = output,
                                                               .error = error});
    if (!started) {
        return {};
    }
    return std::move(started->process);
}

UniqueServiceHandle openService(DWORD access) {
    const UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        return {};
    }
    return UniqueServiceHandle(::OpenServiceW(manager.get(), kServiceName, access));
}

std::vector<unsigned char> queryConfig2(SC_HANDLE service, DWORD level) {
    DWORD needed = 0;
    ::QueryServiceConfig2W(service, level, nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed + 1);
    if (!::QueryServiceConfig2W(service, level, buffer.data(), static_cast<DWORD>(buffer.size()),
                                &needed)) {
        return {};
    }
    return buffer;
}

std::wstring textOrEmpty(const wchar_t* text) {
    return text ? std::wstring(text) : L"";
}

// A double-null-terminated list as one text with "|" between the entries.
std::wstring listOrEmpty(const wchar_t* list) {
    std::wstring joined;
    for (const wchar_t* entry = list; entry && *entry; entry += wcslen(entry) + 1) {
        if (!joined.empty()) {
            joined += L'|';
        }
        joined += entry;
    }
    return joined;
}

platform::UniqueSocket loopbackSocket() {
    platform::ensureWinsock();
    return platform::UniqueSocket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
}

sockaddr_in endpointAddress() {
    return platform::loopbackAddress(kIpcPort);
}

}  // namespace

std::filesystem::path systemTool(const wchar_t* fileName) {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return std::filesystem::path(std::wstring(folder, length)) / fileName;
}

bool runningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

ProgramOutcome runProgram(const std::filesystem::path& program,
                          const std::vector<std::wstring>& arguments,
                          const std::filesystem::path& scratch, std::chrono::milliseconds limit) {
    const std::filesystem::path outputFile = scratch / L"stdout.txt";
    const std::filesystem::path errorFile = scratch / L"stderr.txt";
    ProgramOutcome outcome;
    {
        const platform::UniqueFile output =
            inheritableFile(outputFile, GENERIC_WRITE, CREATE_ALWAYS);
        const platform::UniqueFile error = inheritableFile(errorFile, GENERIC_WRITE, CREATE_ALWAYS);
        const platform::UniqueProcess process =
            launch(program, arguments, output.get(), error.get());
        if (!process) {
            outcome.exitCode = static_cast<DWORD>(-1);
            outcome.standardError = "could not start the program";
            return outcome;
        }
        if (!waitForExit(process.get(), limit)) {
            outcome.timedOut = true;
            ::TerminateProcess(process.get(), 99);
            ::WaitForSingleObject(process.get(), 10000);
        }
        ::GetExitCodeProcess(process.get(), &outcome.exitCode);
    }
    outcome.standardOutput = test::readFile(outputFile).value_or("");
    outcome.standardError = test::readFile(errorFile).value_or("");
    return outcome;
}

platform::UniqueProcess startProgram(const std::filesystem::path& program,
                                     const std::vector<std::wstring>& arguments,
                                     const std::filesystem::path& errorFile) {
    const platform::UniqueFile error = inheritableFile(errorFile, GENERIC_WRITE, CREATE_ALWAYS);
    const platform::UniqueFile output = inheritableFile(L"NUL", GENERIC_WRITE, OPEN_EXISTING);
    return launch(program, arguments, output.get(), error.get());
}

std::optional<SERVICE_STATUS_PROCESS> queryService() {
    const UniqueServiceHandle service = openService(SERVICE_QUERY_STATUS);
    if (!service) {
        return std::nullopt;
    }
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                                reinterpret_cast<BYTE*>(&status), sizeof(status), &needed)) {
        return std::nullopt;
    }
    return status;
}

std::optional<SERVICE_STATUS_PROCESS> waitForServiceState(DWORD state,
                                                          std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::optional<SERVICE_STATUS_PROCESS> status = queryService();
    while (status && status->dwCurrentState != state && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        status = queryService();
    }
    return status;
}

std::optional<ServiceConfiguration> queryServiceConfiguration() {
    const UniqueServiceHandle service = openService(SERVICE_QUERY_CONFIG);
    if (!service) {
        return std::nullopt;
    }
    DWORD needed = 0;
    ::QueryServiceConfigW(service.get(), nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed + 1);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!::QueryServiceConfigW(service.get(), config, static_cast<DWORD>(buffer.size()), &needed)) {
        return std::nullopt;
    }
    ServiceConfiguration result;
    result.serviceType = config->dwServiceType;
    result.startType = config->dwStartType;
    result.errorControl = config->dwErrorControl;
    result.binaryPath = textOrEmpty(config->lpBinaryPathName);
    result.displayName = textOrEmpty(config->lpDisplayName);
    result.account = textOrEmpty(config->lpServiceStartName);
    result.dependencies = listOrEmpty(config->lpDependencies);

    const std::vector<unsigned char> description =
        queryConfig2(service.get(), SERVICE_CONFIG_DESCRIPTION);
    if (!description.empty()) {
        result.description = textOrEmpty(
            reinterpret_cast<const SERVICE_DESCRIPTIONW*>(description.data())->lpDescription);
    }
    const std::vector<unsigned char> failure =
        queryConfig2(service.get(), SERVICE_CONFIG_FAILURE_ACTIONS);
    if (!failure.empty()) {
        const auto* actions = reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(failure.data());
        result.resetPeriod = actions->dwResetPeriod;
        result.failureActions.assign(actions->lpsaActions,
                                     actions->lpsaActions + actions->cActions);
    }
    return result;
}

void removeServiceIfPresent() {
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEventSourceKey);
    const UniqueServiceHandle service = openService(DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service) {
        return;
    }
    const std::optional<SERVICE_STATUS_PROCESS> before = queryService();
    SERVICE_STATUS status{};
    ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    waitForServiceState(SERVICE_STOPPED, std::chrono::seconds(15));
    ::DeleteService(service.get());
    if (before && before->dwProcessId != 0) {
        const platform::UniqueProcess process(
            ::OpenProcess(SYNCHRONIZE, FALSE, before->dwProcessId));
        if (process) {
            waitForExit(process.get(), std::chrono::seconds(15));
        }
    }
}

std::optional<std::string> askEndpoint(const std::string& request) {
    LoopbackClient client(kIpcPort);
    if (!client.connected() || !client.send(request)) {
        return std::nullopt;
    }
    return client.readAll();
}

bool isEndpointAnswer(const std::string& answer) {
    return answer.starts_with("HTTP/1.1 200 OK\r\n") ||
           answer.starts_with("HTTP/1.1 500 Error\r\n");
}

std::optional<std::string> waitForEndpoint(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        std::optional<std::string> answer = askEndpoint();
        if (answer || Clock::now() >= deadline) {
            return answer;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

bool waitForEndpointGone(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const platform::UniqueSocket socket = loopbackSocket();
        const sockaddr_in address = endpointAddress();
        if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) !=
            0) {
            return true;
        }
        const linger abortive{1, 0};
        ::setsockopt(socket.get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                     sizeof(abortive));
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void ChildRecord::sample() {
    const platform::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        const bool known = std::any_of(children_.begin(), children_.end(),
                                       [&](const Child& c) { return c.id == entry.th32ProcessID; });
        if (entry.th32ParentProcessID != parent_ || known) {
            continue;
        }
        platform::UniqueProcess process(::OpenProcess(
            SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        if (process) {
            children_.push_back({entry.th32ProcessID, entry.szExeFile, std::move(process)});
        }
    }
}

bool ChildRecord::hasSeen(std::wstring_view image) const {
    return std::any_of(children_.begin(), children_.end(),
                       [&](const Child& child) { return child.image == image; });
}

std::vector<std::pair<std::wstring, DWORD>> ChildRecord::exitCodes(
    std::chrono::milliseconds limit) const {
    const auto deadline = Clock::now() + limit;
    std::vector<std::pair<std::wstring, DWORD>> codes;
    for (const Child& child : children_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::max(Clock::duration::zero(), deadline - Clock::now()));
        waitForExit(child.process.get(), left);
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(child.process.get(), &code);
        codes.emplace_back(child.image, code);
    }
    return codes;
}

}  // namespace korvane::service::testing
