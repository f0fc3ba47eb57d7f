#pragma once
// Helpers of the Wine tests: running korvane_service.exe and sc.exe as
// children, asking the Service Control Manager, and talking to the endpoint.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/handles.h"

namespace korvane::service::testing {

std::filesystem::path systemTool(const wchar_t* fileName);

bool runningUnderWine();

struct ProgramOutcome {
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string standardOutput;
    std::string standardError;
};

// Runs `program` with `arguments`, its standard streams in files of
// `scratch`, and waits at most `limit` (then ends it).
ProgramOutcome runProgram(const std::filesystem::path& program,
                          const std::vector<std::wstring>& arguments,
                          const std::filesystem::path& scratch,
                          std::chrono::milliseconds limit = std::chrono::seconds(60));

// Starts `program` and leaves it running; its standard error goes to the file
// `errorFile`.
platform::UniqueProcess startProgram(const std::filesystem::path& program,
                                     const std::vector<std::wstring>& arguments,
                                     const std::filesystem::path& errorFile);

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

// Every child process of one parent that sample() has seen, held open so
// that its end can be awaited even after it has left the process list.
class ChildRecord {
  public:
    explicit ChildRecord(DWORD parent) : parent_(parent) {}
    void sample();
    std::size_t seen() const { return children_.size(); }
    bool hasSeen(std::wstring_view image) const;
    // Image name and exit code of each child, after waiting at most `limit`
    // for all of them (STILL_ACTIVE for one that still runs).
    std::vector<std::pair<std::wstring, DWORD>> exitCodes(std::chrono::milliseconds limit) const;

  private:
    struct Child {
        DWORD id = 0;
        std::wstring image;
        platform::UniqueProcess process;
    };
    DWORD parent_;
    std::vector<Child> children_;
};

}  // namespace korvane::service::testing
