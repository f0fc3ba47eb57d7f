#pragma once
// The updater's tests under Wine: the built program, the tasklist stand-in's
// record of its runs, and children whose standard error the test reads.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace korvane::updater::testing {

namespace fs = std::filesystem;

// The built korvane_updater.exe, as a Windows path.
fs::path updaterExecutable();

// Names of the entries of a folder, sorted.
std::vector<std::wstring> folderEntries(const fs::path& folder);

// The tasklist stand-in appends a line for each run to the file that this
// environment variable names.
inline constexpr wchar_t kTasklistRecordVariable[] = L"KORVANE_TASKLIST_RECORD";

// The lines of the tasklist stand-in's record.
std::vector<std::string> recordedRuns(const fs::path& path);
// Waits up to `limit` until the record holds a line equal to `line`.
bool waitForRecordedRun(const fs::path& path, const std::string& line,
                        std::chrono::milliseconds limit);

struct Child {
    platform::UniqueProcess process;
    platform::UniqueFile output;       // read end of the child's standard output
    platform::UniqueFile errorOutput;  // read end of the child's standard error
    DWORD pid = 0;
};

struct Finished {
    DWORD exitCode = 0;
    std::string output;
    std::string errorOutput;
};

// Starts `program` in its own folder with `arguments`, its standard output
// and error captured.
Child startChild(const fs::path& program, const std::vector<std::wstring>& arguments);
bool isRunning(const Child& child);
// Waits for the child (failing the test when it outlives `limit`) and reads
// what it wrote to standard output and error.
Finished finishChild(Child& child, std::chrono::milliseconds limit);

}  // namespace korvane::updater::testing
