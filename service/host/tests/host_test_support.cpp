#include "service/host/tests/host_test_support.h"

#include <thread>

#include "platform/winsock.h"
#include "service/host/event_source.h"
#include "service/host/service_names.h"
#include "service/ipc/ipc_server.h"
#include "tests/support/loopback.h"
#include "tests/support/processes.h"

namespace korvane::service::testing {
namespace {

using Clock = std::chrono::steady_clock;
using platform::UniqueServiceHandle;
using test::waitForExit;

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

}  // namespace

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
    test::LoopbackClient client(kIpcPort);
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
        platform::UniqueSocket socket = platform::newSocket();
        const sockaddr_in address = platform::loopbackAddress(kIpcPort);
        if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) !=
            0) {
            return true;
        }
        test::closeAbortively(socket);
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace korvane::service::testing
