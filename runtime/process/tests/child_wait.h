#pragma once
// Helpers for the tests that start real programs under Wine.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

// A path that the build gave in host form (/work/...) as a Windows path
// (Z:\work\...); a Windows path is returned unchanged.
std::filesystem::path hostPath(const char* path);

// The stand-in of that name from the test build, e.g. standIn("naive").
std::filesystem::path standIn(const char* name);

// Sets an environment variable of the test process (inherited by children)
// for the lifetime of the object; the previous state comes back after.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const wchar_t* name, const std::wstring& value);
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

  private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

// Polls until the file exists and reads it whole; nullopt after the timeout.
std::optional<std::string> waitForFile(const std::filesystem::path& path,
                                       std::chrono::milliseconds timeout);

// What a stand-in recorded: its working directory, its arguments as
// CommandLineToArgvW gives them back (argv[0] included) and its process id.
struct Recorded {
    std::filesystem::path workingDirectory;
    std::vector<std::wstring> argv;
    DWORD processId = 0;
};
std::optional<Recorded> readRecord(const std::filesystem::path& path,
                                   std::chrono::milliseconds timeout);

std::vector<std::wstring> parseCommandLine(const std::wstring& commandLine);

// Whether the process with that id is still alive (false when it is gone).
bool processAlive(DWORD id);

// Ends a process that a test left running on purpose.
void terminateById(DWORD id);

}  // namespace korvane::test
