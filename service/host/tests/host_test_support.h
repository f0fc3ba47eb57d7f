#pragma once
// Helpers of the service's Wine tests: asking the Service Control Manager
// about the service, and talking to its endpoint.

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace korvane::service::testing {

// The service's state, or nothing when it is not installed.
std::optional<SERVICE_STATUS_PROCESS> queryService();

// Polls until the service reports `state`; the last status seen.
std::optional<SERVICE_STATUS_PROCESS> waitForServiceState(DWORD state,
                                                          std::chrono::milliseconds limit);

struct ServiceConfiguration {
    DWORD serviceType = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::wstring binaryPath;
    std::wstring displayName;
    std::wstring account;
    std::wstring dependencies;
    std::wstring description;
    DWORD resetPeriod = 0;
    std::vector<SC_ACTION> failureActions;
};
std::optional<ServiceConfiguration> queryServiceConfiguration();

// Stops and deletes the service if it is installed, whatever state it is in,
// and waits for its process to end; removes its event source.
void removeServiceIfPresent();

inline constexpr char kHealthRequest[] = "GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

// Sends `request` to 127.0.0.1:49190 and reads the whole answer, or nothing
// when no connection could be made.
std::optional<std::string> askEndpoint(const std::string& request = kHealthRequest);

// An answer of the endpoint (to any request): a status line of 200 or 500.
bool isEndpointAnswer(const std::string& answer);

// Retries askEndpoint until it answers or `limit` has passed.
std::optional<std::string> waitForEndpoint(std::chrono::milliseconds limit);

// Waits until nothing accepts connections on 127.0.0.1:49190 any more.
bool waitForEndpointGone(std::chrono::milliseconds limit);

}  // namespace korvane::service::testing
