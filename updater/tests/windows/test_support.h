#pragma once
// Folders, files and child processes for the updater's tests under Wine.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace korvane::updater::testing {

namespace fs = std::filesystem;

// The built stand-ins and the updater, as Windows paths.
fs::path standin(const wchar_t* name);
fs::path updaterExecutable();

// A fresh folder under the temporary folder, removed with its content.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& path() const { return path_; }
    fs::path operator/(const wchar_t* name) const { return path_ / name; }

  private:
    fs::path path_;
};

void writeFile(const fs::path& path, const std::string& content);
std::optional<std::string> readFile(const fs::path& path);
// Names of the entries of a folder, sorted.
std::vector<std::wstring> folderEntries(const fs::path& folder);

// Points the tasklist stand-in's record at `path` for every child started
// from now on, and reads its lines back.
void recordTasklistRunsIn(const fs::path& path);
std::vector<std::string> recordedRuns(const fs::path& path);
// Waits up to `limit` until the record holds a line equal to `line`.
bool waitForRecordedRun(const fs::path& path, const std::string& line,
                        std::chrono::milliseconds limit);

struct Child {
    platform::UniqueProcess process;
    platform::UniqueFile errorOutput;  // read end of the child's standard error
    DWORD pid = 0;
};

struct Finished {
    DWORD exitCode = 0;
    std::string errorOutput;
};

// Starts `program` with `arguments`, its standard error captured.
Child startChild(const fs::path& program, const std::vector<std::wstring>& arguments);
bool isRunning(const Child& child);
// Waits for the child (failing the test when it outlives `limit`) and reads
// what it wrote to standard error.
Finished finishChild(Child& child, std::chrono::milliseconds limit);

}  // namespace korvane::updater::testing
