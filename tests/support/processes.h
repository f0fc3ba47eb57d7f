#pragma once
// Programs that the tests start and watch themselves.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "common/result.h"
#include "platform/handles.h"

namespace korvane::test {

struct ProcessStart {
    std::filesystem::path program{};
    std::vector<std::wstring> arguments{};
    // The child's standard streams: inheritable handles, or null for none.
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    HANDLE error = nullptr;
    std::filesystem::path workingDirectory{};  // empty: this process's
    DWORD creationFlags = 0;
};

struct StartedProcess {
    platform::UniqueProcess process;
    DWORD id = 0;
};

// Starts the program with a command line from buildCommandLine, so that it
// reads back exactly `arguments`.
Result<StartedProcess> startProcess(const ProcessStart& start);

// The arguments that a started program reads back from `commandLine`, as
// CommandLineToArgvW splits it (argv[0] included).
std::vector<std::wstring> parseCommandLine(const std::wstring& commandLine);

// Whether the process ended within `limit`.
bool waitForExit(HANDLE process, std::chrono::milliseconds limit);

// Whether the process with that id is still alive (false when it is gone).
bool processAlive(DWORD id);

// Ends a process that a test left running on purpose.
void terminateById(DWORD id);

}  // namespace korvane::test
